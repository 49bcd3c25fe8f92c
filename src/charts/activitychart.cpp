#include "charts/activitychart.h"

#include <algorithm>

#include "charts/channelchart.h"

namespace kordel {

namespace {

constexpr double kMsPerDay = 86'400'000.0;
constexpr double kIntervalDays = 0.125;

std::size_t slotOf(std::optional<ActivityLevel> level) { return level ? static_cast<std::size_t>(*level) : 4; }

}  // namespace

QColor ActivityChart::levelColour(std::optional<ActivityLevel> level) {
    if (!level) return QColor(160, 160, 160);
    switch (*level) {
    case ActivityLevel::Green: return QColor(0, 160, 0);
    case ActivityLevel::Yellow: return QColor(230, 200, 0);
    case ActivityLevel::Amber: return QColor(255, 140, 0);
    case ActivityLevel::Red: return QColor(220, 0, 0);
    }
    return QColor(160, 160, 160);
}

ActivityChart::ActivityChart(ChannelChart* leader, QWidget* parent) : QCustomPlot(parent), leader_(leader) {
    setObjectName(QStringLiteral("ActivityChart"));
    setFixedHeight(kHeight);
    setBackground(palette().brush(QPalette::Window));
    plotLayout()->setAutoMargins(QCP::msNone);
    axisRect()->setAutoMargins(QCP::msNone);
    xAxis2->setVisible(false);
    yAxis2->setVisible(false);
    xAxis->setTickLabels(false);
    xAxis->grid()->setVisible(false);
    QFont f(QStringLiteral("Times New Roman"), 8);
    yAxis->setTickLabelFont(f);
    f.setBold(true);
    yAxis->setLabelFont(f);
    yAxis->setLabel(QStringLiteral("K"));
    yAxis->setRange(0, 9.5);
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setTickStep(3);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    yAxis->setTicker(ticker);
    for (std::size_t i = 0; i < final_.size(); ++i) {
        auto* b = new QCPBars(xAxis, yAxis);
        const QColor c = levelColour(i < 4 ? std::optional(static_cast<ActivityLevel>(i)) : std::nullopt);
        b->setBrush(c);
        b->setPen(QPen(c.darker(130)));
        b->setWidth(kIntervalDays);
        b->setWidthType(QCPBars::wtPlotCoords);
        b->setAntialiased(false);
        final_[i] = b;
    }
    provisional_ = new QCPBars(xAxis, yAxis);
    provisional_->setWidth(kIntervalDays);
    provisional_->setWidthType(QCPBars::wtPlotCoords);
    provisional_->setAntialiased(false);
    if (leader_) {
        connect(leader_, &QCustomPlot::afterReplot, this, &ActivityChart::follow);
    }
}

void ActivityChart::setLeader(ChannelChart* leader) {
    if (leader == leader_) return;
    if (leader_) disconnect(leader_, nullptr, this, nullptr);
    leader_ = leader;
    if (leader_) connect(leader_, &QCustomPlot::afterReplot, this, &ActivityChart::follow);
}

QCPBars* ActivityChart::finalBars(std::optional<ActivityLevel> level) const { return final_[slotOf(level)]; }

void ActivityChart::setBars(std::vector<ActivityBar> bars, std::int64_t clockAheadMs) {
    bars_ = std::move(bars);
    std::array<QVector<QCPBarsData>, 5> data;
    QVector<QCPBarsData> provisional;
    std::optional<ActivityLevel> provisionalLevel;
    for (const ActivityBar& b : bars_) {
        // The bar stands over its interval: its key is the interval's middle.
        const double key = (static_cast<double>(b.startMinute) * 60'000.0 + static_cast<double>(clockAheadMs)) / kMsPerDay +
                           kIntervalDays / 2;
        // A K of 0 still shows as a sliver, so a quiet interval differs from a missing one.
        const QCPBarsData d(key, b.k > 0 ? b.k : 0.1);
        if (b.provisional) {
            provisional.push_back(d);
            provisionalLevel = b.level;
        } else {
            data[slotOf(b.level)].push_back(d);
        }
    }
    for (std::size_t i = 0; i < final_.size(); ++i) final_[i]->data()->set(data[i], true);
    provisional_->data()->set(provisional, true);
    const QColor c = levelColour(provisionalLevel);
    provisional_->setBrush(QBrush(c, Qt::BDiagPattern));
    provisional_->setPen(QPen(c.darker(150), 1, Qt::DashLine));
    replot();
}

std::pair<int, int> ActivityChart::plotColumnsInLeader() const {
    if (!leader_) return {0, 0};
    const QRect r = axisRect()->rect();
    const QPoint left = leader_->mapFromGlobal(mapToGlobal(QPoint(r.left(), 0)));
    const QPoint right = leader_->mapFromGlobal(mapToGlobal(QPoint(r.right(), 0)));
    return {left.x(), right.x()};
}

void ActivityChart::follow() {
    if (!leader_ || !isVisible()) return;
    const QRect lead = leader_->axisRect()->rect();
    // The leader's plotting columns, in this chart's pixels.
    const int left = mapFromGlobal(leader_->mapToGlobal(lead.topLeft())).x();
    const int right = mapFromGlobal(leader_->mapToGlobal(lead.topRight())).x();
    const QMargins margins(std::max(0, left), 2, std::max(0, width() - 1 - right), 2);
    const bool moved = axisRect()->margins() != margins;
    const QCPRange range = leader_->xAxis->range();
    if (!moved && xAxis->range() == range) return;
    axisRect()->setMargins(margins);
    xAxis->setRange(range);
    // Painted with the leader's step, not a frame later, so the two never disagree on screen.
    replot(QCustomPlot::rpImmediateRefresh);
}

}  // namespace kordel
