#pragma once
// The K index under the traces: one bar per three-hour UT interval, as high
// as its K (0–9), coloured by the interval's activity level (green, yellow,
// amber, red; grey when the level is not known), the provisional bar hatched
// and outlined.
//
// It follows a leading channel chart exactly: after each replot of the
// leader it takes the leader's time window and places its own plotting
// rectangle on the same screen columns, so that a time lies at the same x
// here as on every channel chart, whatever the widths of the zoom bar and
// axis areas beside them. Its own replot is small (a few hundred bars at
// most on screen), so it adds little to a zoom step.
//
// Times are the charts' date-time numbers; the bars come in UT minutes and
// are moved by `clockAheadMs`, the charts' clock ahead of UT.

#include <QColor>
#include <QPointer>
#include <array>
#include <optional>
#include <vector>

#include <qcustomplot.h>

#include "processing/activitybars.h"

class ChannelChart;

namespace kordel {

class ActivityChart : public QCustomPlot {
    Q_OBJECT
public:
    static constexpr int kHeight = 70;

    explicit ActivityChart(ChannelChart* leader, QWidget* parent = nullptr);

    void setBars(std::vector<ActivityBar> bars, std::int64_t clockAheadMs);
    const std::vector<ActivityBar>& bars() const { return bars_; }

    static QColor levelColour(std::optional<ActivityLevel> level);
    // The final bars of a level (none: the bars whose level is not known),
    // and the provisional one.
    QCPBars* finalBars(std::optional<ActivityLevel> level) const;
    QCPBars* provisionalBars() const { return provisional_; }

    // The chart to follow (the topmost shown one: a hidden chart does not replot).
    void setLeader(ChannelChart* leader);
    ChannelChart* leader() const { return leader_; }
    // Takes the leader's time window and columns now (done after each of its replots).
    void follow();
    // The plotting rectangle's first and last column in the leader's pixels.
    std::pair<int, int> plotColumnsInLeader() const;

private:
    QPointer<ChannelChart> leader_;
    std::vector<ActivityBar> bars_;
    std::array<QCPBars*, 5> final_{};  // green, yellow, amber, red, not known
    QCPBars* provisional_ = nullptr;
};

}  // namespace kordel
