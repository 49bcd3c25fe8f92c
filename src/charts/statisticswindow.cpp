#include "charts/statisticswindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "charts/readout.h"
#include "record/record.h"

TStatistics::TStatistics(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Statistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    setModal(false);
    table_ = new QTableWidget(0, kColumns, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Count"), QStringLiteral("Mean"), QStringLiteral("Minimum"), QStringLiteral("Maximum"),
         QStringLiteral("Std. deviation"), QStringLiteral("Range"), QStringLiteral("Time of minimum"),
         QStringLiteral("Time of maximum"), QStringLiteral("Coverage"), QStringLiteral("Gaps")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    range_ = new QLabel(this);
    range_->setObjectName(QStringLiteral("StatisticsRange"));
    range_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(range_);
    layout->addWidget(table_);
    resize(1000, 250);
}

void TStatistics::setRange(const QString& text) { range_->setText(text); }

QString TStatistics::range() const { return range_->text(); }

void TStatistics::showRows(const std::vector<Row>& rows) {
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Row& row = rows[static_cast<std::size_t>(r)];
        table_->setVerticalHeaderItem(r, new QTableWidgetItem(row.channel));
        QStringList texts{QStringLiteral("0")};
        while (texts.size() < kColumns) texts << QString();
        if (row.stats) {
            const kordel::WindowStatistics& s = *row.stats;
            const auto at = [](std::int64_t ms) {
                return QString::fromStdString(
                    kordel::formatCursorTime(static_cast<double>(ms) / kordel::Record::kMsPerDay));
            };
            // Mean and deviation carry one digit more than the samples; the
            // coverage is the present samples of those the interval would give.
            texts = {QString::number(s.count), QString::number(s.mean, 'f', row.decimals + 1),
                     QString::number(s.min, 'f', row.decimals), QString::number(s.max, 'f', row.decimals),
                     QString::number(s.standardDeviation, 'f', row.decimals + 1),
                     QString::number(s.max - s.min, 'f', row.decimals), at(s.minTimeMs), at(s.maxTimeMs),
                     QStringLiteral("%1 % (%2 of %3)")
                         .arg(QString::number(100.0 * static_cast<double>(s.count) / static_cast<double>(s.expected), 'f', 1))
                         .arg(s.count)
                         .arg(s.expected),
                     QString::number(s.gaps)};
        }
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(r, c, item);
        }
    }
}

QString TStatistics::cell(int row, int column) const {
    const QTableWidgetItem* item = table_->item(row, column);
    return item ? item->text() : QString();
}

int TStatistics::rowCount() const { return table_->rowCount(); }

namespace kordel {

std::optional<WindowStatistics> statisticsOf(const std::vector<double>& values) {
    WindowStatistics s;
    double sum = 0;
    for (double v : values) {
        if (std::isnan(v)) continue;
        s.min = s.count == 0 ? v : std::min(s.min, v);
        s.max = s.count == 0 ? v : std::max(s.max, v);
        sum += v;
        ++s.count;
    }
    if (s.count == 0) {
        return std::nullopt;
    }
    s.expected = s.count;
    s.mean = sum / static_cast<double>(s.count);
    double squares = 0;
    for (double v : values) {
        if (!std::isnan(v)) squares += (v - s.mean) * (v - s.mean);
    }
    s.standardDeviation = s.count > 1 ? std::sqrt(squares / static_cast<double>(s.count - 1)) : 0;
    return s;
}

}  // namespace kordel
