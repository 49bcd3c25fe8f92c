#include "charts/chartpicture.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>

#include "charts/channelchart.h"
#include "exchange/csvwriter.h"
#include "files/replacingfile.h"

namespace kordel {

namespace {

// Pictures are laid out in pixels at the screen's usual 96 dots per inch, so
// that the charts' point-sized fonts look the same in every format.
constexpr int kDotsPerInch = 96;

QString captionOf(const ChannelInfo& info) {
    QString caption = QString::fromStdString(info.name);
    if (!info.unit.empty()) caption += QStringLiteral(", ") + QString::fromStdString(info.unit);
    return caption;
}

void paintChart(QCPPainter& painter, const PictureRequest& request, std::size_t index, const QRect& area) {
    const std::size_t channel = request.channels[index];
    // The window's look of the channel: its own channels by their place, others as Bx (two decimals).
    ChannelChart chart(request.ownCaptions ? static_cast<int>(std::min<std::size_t>(channel, 5)) : 0);
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.resize(area.size());
    chart.show();  // lays the chart out for its size; nothing reaches a screen
    chart.showRecord(request.record, channel);
    if (!request.ownCaptions) chart.yAxis->setLabel(captionOf(request.record->channel(channel)));
    chart.setTimeAxis(request.fromDay, request.toDay);
    chart.replot();  // feeds the envelope for the chart's width
    painter.save();
    painter.translate(area.topLeft());
    chart.toPainter(&painter, area.width(), area.height());
    painter.restore();
}

std::string titleTime(std::int64_t timeMs) {
    std::string text = isoUtcText(timeMs).substr(0, 19);  // "2007-05-15T12:30:00"
    text[10] = ' ';
    return text;
}

}  // namespace

PictureRequest pictureOf(Record record, const std::string& elements, const ExportSettings& settings, QSize size) {
    record.shiftTimes(-settings.utcOffsetMs);
    PictureRequest request;
    request.size = size;
    request.ownCaptions = elements.empty();
    if (request.ownCaptions) {
        for (const char* name : {"Bx", "By", "Bz", "Ts", "Te"}) {
            if (const auto c = record.findChannel(name)) request.channels.push_back(*c);
        }
    } else {
        for (std::size_t c = 0; c < std::min<std::size_t>(4, record.channelCount()); ++c) request.channels.push_back(c);
    }
    const std::int64_t from = settings.fromMs.value_or(record.empty() ? 0 : record.times().front());
    const std::int64_t to = settings.toMs.value_or(record.empty() ? 0 : record.times().back());
    const IagaStation& st = settings.station;
    std::string title = st.code;
    if (!st.name.empty()) title += " " + st.name;
    title += "   " + titleTime(from) + " to " + titleTime(to) + " UT";
    request.title = QString::fromStdString(title);
    request.fromDay = static_cast<double>(from) / Record::kMsPerDay;
    request.toDay = static_cast<double>(to) / Record::kMsPerDay;
    request.record = std::make_shared<const Record>(std::move(record));
    return request;
}

void paintChartPicture(QCPPainter& painter, const PictureRequest& request) {
    const QRect all(QPoint(0, 0), request.size);
    painter.fillRect(all, Qt::white);
    QFont titleFont(QStringLiteral("Times New Roman"), 10);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    const int titleHeight = QFontMetrics(titleFont, painter.device()).height() * 2;
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, all.width(), titleHeight), Qt::AlignCenter, request.title);
    const int n = static_cast<int>(request.channels.size());
    if (n == 0) return;
    const int chartsHeight = std::max(n, all.height() - titleHeight);
    for (int i = 0; i < n; ++i) {
        const int top = titleHeight + chartsHeight * i / n;
        const int bottom = titleHeight + chartsHeight * (i + 1) / n;
        paintChart(painter, request, static_cast<std::size_t>(i), QRect(0, top, all.width(), bottom - top));
    }
}

namespace {

// The picture's bytes in `out`; false when it could not be drawn.
bool renderChartPicture(const PictureRequest& request, PictureFormat format, QBuffer& out) {
    switch (format) {
    case PictureFormat::Png: {
        QImage image(request.size, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(kDotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(kDotsPerInch / 0.0254));
        {
            QCPPainter painter(&image);
            paintChartPicture(painter, request);
        }
        return image.save(&out, "PNG");
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(request.size);
        svg.setViewBox(QRect(QPoint(0, 0), request.size));
        svg.setResolution(kDotsPerInch);
        svg.setTitle(request.title);
        QCPPainter painter;
        if (!painter.begin(&svg)) return false;
        paintChartPicture(painter, request);
        return painter.end() && out.size() > 0;
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&out);
        pdf.setResolution(kDotsPerInch);
        const QSizeF points(request.size.width() * 72.0 / kDotsPerInch, request.size.height() * 72.0 / kDotsPerInch);
        pdf.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
        pdf.setTitle(request.title);
        QCPPainter painter;
        if (!painter.begin(&pdf)) return false;
        paintChartPicture(painter, request);
        return painter.end();
    }
    }
    return false;
}

}  // namespace

QString writeChartPicture(const PictureRequest& request, PictureFormat format, const QString& path) {
    // Drawn in memory first (a picture is small), then written whole: a failed
    // write leaves no picture cut short under the name.
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    if (!renderChartPicture(request, format, bytes)) return QStringLiteral("cannot write %1").arg(path);
    bytes.close();
    ReplacingFile file;
    const std::string name = QFile::encodeName(path).toStdString();
    IoStatus status = file.open(name);
    if (status) status = file.append(std::string_view(bytes.data().constData(), static_cast<std::size_t>(bytes.size())));
    if (status) status = file.commit();
    return status ? QString() : QString::fromStdString(status.message());
}

}  // namespace kordel
