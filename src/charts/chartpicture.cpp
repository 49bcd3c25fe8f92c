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
#include "charts/chartview.h"
#include "record/rangesummary.h"
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

QFont titleFont() {
    QFont font(QStringLiteral("Times New Roman"), 10);
    font.setBold(true);
    return font;
}

void paintChart(QCPPainter& painter, const PictureRequest& request, std::size_t index, const QRect& area,
                bool lowest) {
    const PictureChart& c = request.charts[index];
    // The same chart class as the window's, so that labels, steps and lines are the screen's.
    ChannelChart chart(std::clamp(c.look, 0, 5));
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.resize(area.size());
    chart.show();  // lays the chart out for its size; nothing reaches a screen
    chart.showRecord(request.record, c.channel);
    chart.setCaption(c.caption);
    chart.xAxis->setLabel(lowest ? request.timeReference : QString());
    chart.setTimeAxis(request.fromDay, request.toDay);
    const auto values = c.values ? c.values : fittedValueWindow(*request.record, c.channel, request.fromDay, request.toDay);
    if (values) chart.setValueAxis(values->min, values->max);
    // The first replot feeds the envelope for the chart's width and sets the
    // label padding its labels need, the second lays the chart out with it,
    // as the window's chart is after its first replot.
    chart.replot();
    chart.replot();
    if (painter.device() != nullptr && painter.device()->devType() == QInternal::Image) {
        // A raster picture takes the chart as the window paints it (through
        // its pixel buffer), so that its text is placed to the same pixel.
        painter.drawPixmap(area.topLeft(), chart.toPixmap(area.width(), area.height()));
        return;
    }
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

QString titleOf(const ExportSettings& settings, std::int64_t from, std::int64_t to) {
    const IagaStation& st = settings.station;
    std::string title = st.code;
    if (!st.name.empty()) title += " " + st.name;
    title += "   " + titleTime(from) + " to " + titleTime(to) + " UT";
    return QString::fromStdString(title);
}

}  // namespace

int pictureTitleHeight() {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(kDotsPerInch / 0.0254));
    device.setDotsPerMeterY(qRound(kDotsPerInch / 0.0254));
    return QFontMetrics(titleFont(), &device).height() * 2;
}

std::optional<AxisRange> fittedValueWindow(const Record& record, std::size_t channel, double fromDay, double toDay) {
    if (channel >= record.channelCount() || !(std::fabs(fromDay) < 3.0e6) || !(std::fabs(toDay) < 3.0e6)) {
        return std::nullopt;
    }
    const auto ms = [](double day) { return static_cast<std::int64_t>(std::llround(day * Record::kMsPerDay)); };
    const auto s = windowStatistics(record, channel, ms(std::min(fromDay, toDay)), ms(std::max(fromDay, toDay)));
    if (!s) return std::nullopt;
    const BarValues v = fitValueBar(s->min, s->max);
    return AxisRange{v.start, v.finish};
}

PictureRequest pictureOf(Record record, const std::string& elements, const ExportSettings& settings, QSize size) {
    record.shiftTimes(-settings.utcOffsetMs);
    PictureRequest request;
    request.size = size;
    if (elements.empty()) {
        int look = 0;
        for (const char* name : {"Bx", "By", "Bz", "Ts", "Te"}) {
            if (const auto c = record.findChannel(name)) request.charts.push_back({*c, look, {}, {}, 0});
            ++look;
        }
    } else {
        for (std::size_t c = 0; c < std::min<std::size_t>(4, record.channelCount()); ++c) {
            // An observatory's elements are drawn with two decimals and captioned by name and unit.
            request.charts.push_back({c, 0, captionOf(record.channel(c)), {}, 0});
        }
    }
    const std::int64_t from = settings.fromMs.value_or(record.empty() ? 0 : record.times().front());
    const std::int64_t to = settings.toMs.value_or(record.empty() ? 0 : record.times().back());
    request.title = titleOf(settings, from, to);
    request.timeReference = QStringLiteral("UT");
    request.fromDay = static_cast<double>(from) / Record::kMsPerDay;
    request.toDay = static_cast<double>(to) / Record::kMsPerDay;
    // As "Auto Y" does: each value window fits what the time range shows, so
    // a spike outside it does not flatten what is drawn.
    for (PictureChart& c : request.charts) c.values = fittedValueWindow(record, c.channel, request.fromDay, request.toDay);
    request.record = std::make_shared<const Record>(std::move(record));
    return request;
}

PictureRequest pictureOfView(const std::shared_ptr<const Record>& shown, const ChartViewState& state,
                             bool visibleOnly, const ExportSettings& settings, QSize size) {
    PictureRequest request;
    if (shown == nullptr) return request;
    // The picture's times are UT; without an offset they are the clock's own, as on the screen.
    std::shared_ptr<const Record> record = shown;
    const double shiftDays = -static_cast<double>(settings.utcOffsetMs) / Record::kMsPerDay;
    if (settings.utcOffsetMs != 0) {
        Record copy = *shown;
        copy.shiftTimes(-settings.utcOffsetMs);
        record = std::make_shared<const Record>(std::move(copy));
    }
    request.record = record;
    int heights = 0;
    for (int k = 0; k < ChartViewState::kChannels; ++k) {
        const int c = state.channels[static_cast<std::size_t>(k)];
        if (!state.shown[k] || c < 0 || static_cast<std::size_t>(c) >= record->channelCount()) continue;
        PictureChart chart{static_cast<std::size_t>(c), k, state.captions[k], {}, std::max(1, state.heights[k])};
        if (visibleOnly) chart.values = state.values[k];
        request.charts.push_back(chart);
        heights += chart.height;
    }
    if (visibleOnly) {
        request.fromDay = state.time.min + shiftDays;
        request.toDay = state.time.max + shiftDays;
    } else if (!record->empty()) {
        request.fromDay = record->timeNumber(0);
        request.toDay = record->timeNumber(record->size() - 1);
    }
    const auto ms = [](double day) { return static_cast<std::int64_t>(std::llround(day * Record::kMsPerDay)); };
    request.title = titleOf(settings, ms(request.fromDay), ms(request.toDay));
    request.timeReference = settings.utcOffsetMs != 0 ? QStringLiteral("UT") : state.timeReference;
    request.size = size.isValid() && !size.isEmpty()
                       ? size
                       : QSize(std::max(1, state.chartWidth), pictureTitleHeight() + std::max(1, heights));
    return request;
}

void paintChartPicture(QCPPainter& painter, const PictureRequest& request) {
    const QRect all(QPoint(0, 0), request.size);
    painter.fillRect(all, Qt::white);
    painter.setFont(titleFont());
    const int titleHeight = pictureTitleHeight();
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, all.width(), titleHeight), Qt::AlignCenter, request.title);
    const int n = static_cast<int>(request.charts.size());
    if (n == 0) return;
    const int chartsHeight = std::max(n, all.height() - titleHeight);
    // The charts' own heights in proportion (exactly them at the view's own
    // size); equal shares when they are not given.
    long long total = 0;
    for (const PictureChart& c : request.charts) total += c.height > 0 ? c.height : 0;
    const bool given = total > 0 && std::all_of(request.charts.begin(), request.charts.end(),
                                                [](const PictureChart& c) { return c.height > 0; });
    long long above = 0;
    for (int i = 0; i < n; ++i) {
        const auto& c = request.charts[static_cast<std::size_t>(i)];
        const long long below = above + (given ? c.height : 1);
        const long long whole = given ? total : n;
        const int top = titleHeight + static_cast<int>(chartsHeight * above / whole);
        const int bottom = titleHeight + static_cast<int>(chartsHeight * below / whole);
        paintChart(painter, request, static_cast<std::size_t>(i), QRect(0, top, all.width(), bottom - top),
                   i == n - 1);
        above = below;
    }
}

QImage chartPictureImage(const PictureRequest& request) {
    QImage image(request.size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(kDotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(kDotsPerInch / 0.0254));
    QCPPainter painter(&image);
    paintChartPicture(painter, request);
    return image;
}

namespace {

// The picture's bytes in `out`; false when it could not be drawn.
bool renderChartPicture(const PictureRequest& request, PictureFormat format, QBuffer& out) {
    switch (format) {
    case PictureFormat::Png: return chartPictureImage(request).save(&out, "PNG");
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
