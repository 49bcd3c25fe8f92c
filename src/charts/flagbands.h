#pragma once
// The flagged stretches of a chart's channel, drawn as light vertical bands
// behind the grid and the line: where a spike or a stretch was left out of
// the cleaned level, where a step was marked, where samples are kept whatever
// other flags say. A band is at least two pixels wide, so a flag on one
// sample of a month still shows; only the bands within the time window are
// drawn (a binary search over the bands, sorted by start), so thousands of
// automatic flags cost the replot nothing when zoomed in.
//
// The bands are part of the plot (a layer of their own), so a picture of the
// chart has them too.

#include <QColor>
#include <vector>

#include <qcustomplot.h>

namespace kordel {

struct ChartBand {
    double from = 0;  // date-time numbers, inclusive
    double to = 0;
    QColor color;

    friend bool operator==(const ChartBand&, const ChartBand&) = default;
};

class FlagBandLayer : public QCPLayerable {
public:
    // Made on a layer "flags" of its own, between the background and the grid.
    explicit FlagBandLayer(QCustomPlot* plot);

    void setBands(std::vector<ChartBand> bands);
    const std::vector<ChartBand>& bands() const { return bands_; }
    // The bands within the time window, in pixel columns of the plot as it stands.
    struct Drawn {
        int left = 0;
        int right = 0;
        QColor color;
    };
    std::vector<Drawn> drawnBands() const;

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;
    QRect clipRect() const override;

private:
    std::vector<ChartBand> bands_;  // sorted by start
    double longest_ = 0;            // the longest band, for the search
};

}  // namespace kordel
