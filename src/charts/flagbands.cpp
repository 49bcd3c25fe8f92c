#include "charts/flagbands.h"

#include <algorithm>
#include <cmath>

namespace kordel {

namespace {

const QString kLayer = QStringLiteral("flags");

}  // namespace

FlagBandLayer::FlagBandLayer(QCustomPlot* plot) : QCPLayerable(plot) {
    if (plot->layer(kLayer) == nullptr) {
        plot->addLayer(kLayer, plot->layer(QStringLiteral("grid")), QCustomPlot::limBelow);
    }
    setLayer(kLayer);
}

void FlagBandLayer::setBands(std::vector<ChartBand> bands) {
    std::sort(bands.begin(), bands.end(), [](const ChartBand& a, const ChartBand& b) { return a.from < b.from; });
    longest_ = 0;
    for (const ChartBand& b : bands) longest_ = std::max(longest_, b.to - b.from);
    bands_ = std::move(bands);
}

void FlagBandLayer::applyDefaultAntialiasingHint(QCPPainter* painter) const { painter->setAntialiasing(false); }

QRect FlagBandLayer::clipRect() const { return mParentPlot->axisRect()->rect(); }

std::vector<FlagBandLayer::Drawn> FlagBandLayer::drawnBands() const {
    std::vector<Drawn> drawn;
    const QCPAxis* time = mParentPlot->xAxis;
    const QCPRange shown = time->range();
    // A band starting before the window may still reach into it: look back by the longest one.
    auto it = std::lower_bound(bands_.begin(), bands_.end(), shown.lower - longest_,
                               [](const ChartBand& b, double x) { return b.from < x; });
    for (; it != bands_.end() && it->from <= shown.upper; ++it) {
        if (it->to < shown.lower) continue;
        int left = static_cast<int>(std::lround(time->coordToPixel(it->from)));
        int right = static_cast<int>(std::lround(time->coordToPixel(it->to)));
        if (right - left < 2) {
            const int middle = (left + right) / 2;
            left = middle - 1;
            right = middle + 1;
        }
        drawn.push_back({left, right, it->color});
    }
    return drawn;
}

void FlagBandLayer::draw(QCPPainter* painter) {
    const QRect area = clipRect();
    for (const Drawn& d : drawnBands()) {
        painter->fillRect(QRect(QPoint(d.left, area.top()), QPoint(d.right, area.bottom())), d.color);
    }
}

}  // namespace kordel
