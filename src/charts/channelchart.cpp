#include "charts/channelchart.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/fixedformats.h"
#include "charts/flagbands.h"
#include "charts/readout.h"
#include "record/envelope.h"
#include "record/timeaxis.h"

namespace {

struct ChannelLook {
    const char* title;
    int decimals;      // of the label format "#,##0.##" / "#,##0.#"
    double increment;  // smallest label step
};

constexpr ChannelLook kLook[6] = {
    {"Bx, nT", 2, 0.01},      {"By, nT", 2, 0.01},      {"Bz, nT", 2, 0.01},
    {"Ts, \u00B0C", 1, 0.1}, {"Te, \u00B0C", 1, 0.1}, {"F, nT", 2, 0.01},
};

// The cursor line appears cyan on the chart's background: it is drawn in XOR
// mode with the colour that turns the background into cyan (drawing it twice
// still restores every pixel).
const QColor kCursorColour(0, 255, 255);

QColor cursorXorColour(const QColor& background) {
    return QColor(background.red() ^ kCursorColour.red(), background.green() ^ kCursorColour.green(),
                  background.blue() ^ kCursorColour.blue());
}

QFont labelFont(bool bold) {
    QFont f(QStringLiteral("Times New Roman"), 8);
    f.setBold(bold);
    return f;
}

// The left axis: ticks only on the part between 2 % and 98 % of the plotting
// height, steps not below the channel's increment, labels "#,##0.##".
class ValueTicker : public QCPAxisTicker {
public:
    ValueTicker(int decimals, double increment, QCPAxis* axis, int labelArea)
        : decimals_(decimals), increment_(increment), axis_(axis), labelArea_(labelArea) {}

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override {
        const kordel::AxisRange shown = kordel::shownPart({range.lower, range.upper});
        // A tick on an end of the axis may come out of the arithmetic a hair
        // beyond it; the toolkit would drop it with its label, so it is given
        // the ends with that tolerance.
        const double slack = (shown.max - shown.min) * 1e-6;
        const QCPRange inner(shown.min - slack, shown.max + slack);
        QCPAxisTicker::generate(inner, locale, formatChar, precision, ticks, subTicks, tickLabels);
        // The toolkit keeps one tick beyond each end for its sub-ticks; the
        // axis has none beyond its 2 % and 98 % positions.
        const auto outside = [&](double v) { return v < inner.lower || v > inner.upper; };
        for (int i = ticks.size() - 1; i >= 0; --i) {
            if (outside(ticks[i])) {
                ticks.remove(i);
                if (tickLabels && i < tickLabels->size()) {
                    tickLabels->remove(i);
                }
            }
        }
        if (subTicks) {
            subTicks->erase(std::remove_if(subTicks->begin(), subTicks->end(), outside), subTicks->end());
        }
        // The labels fill a fixed area: the title stands at its left edge,
        // however wide the labels of the moment are.
        if (tickLabels) {
            const QFontMetrics m(axis_->tickLabelFont());
            int widest = 0;
            for (const QString& label : *tickLabels) {
                widest = std::max(widest, m.boundingRect(0, 0, 0, 0, Qt::TextDontClip, label).width());
            }
            const int tickLength = std::max(axis_->tickLengthOut(), axis_->subTickLengthOut());
            axis_->setLabelPadding(std::max(0, labelArea_ - tickLength - axis_->tickLabelPadding() - widest));
        }
    }

protected:
    double getTickStep(const QCPRange& range) override {
        return kordel::valueTickStep(range.size() / std::max(1, tickCount()), increment_);
    }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        return QString::fromStdString(kordel::formatGrouped(tick, decimals_));
    }

private:
    int decimals_;
    double increment_;
    QCPAxis* axis_;
    int labelArea_;
};

// The bottom axis: date-time numbers at round steps from midnight, labelled
// "hh:nn:ss" on the usual spans, with tenths on a few seconds, without seconds
// beyond six hours, and with the date above the time when the window crosses
// midnight or spans more than a day.
class TimeTicker : public QCPAxisTicker {
public:
    void generate(const QCPRange& range, const QLocale&, QChar, int, QVector<double>& ticks,
                  QVector<double>* subTicks, QVector<QString>* tickLabels) override {
        ticks.clear();
        if (subTicks) subTicks->clear();
        if (tickLabels) tickLabels->clear();
        for (const kordel::TimeTick& t : kordel::timeAxisTicks(range.lower, range.upper, tickCount() + 1).ticks) {
            ticks << t.position;
            if (tickLabels) *tickLabels << QString::fromStdString(t.label);
        }
    }
};

}  // namespace

// The line series. It draws the same line QCPGraph's adaptive sampling draws
// (the same pixel intervals, the same first, lowest, highest and last points
// of each), but finds each interval's end by binary search and its lowest and
// highest values from per-block summaries, so a day at 10 Hz costs a few
// thousand steps per replot instead of one per point.
class ChannelGraph : public QCPGraph {
public:
    static constexpr std::size_t kBlock = 64;
    // Below this many visible points QCPGraph's own pass is as quick.
    static constexpr int kFastFrom = 8192;

    ChannelGraph(QCPAxis* key, QCPAxis* value) : QCPGraph(key, value) {}

    void invalidate() { summaryValid_ = false; }

    QVector<QCPGraphData> lineDataFor(bool fast) const {
        QVector<QCPGraphData> out;
        QCPGraphDataContainer::const_iterator begin, end;
        getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
        if (fast) {
            getOptimizedLineData(&out, begin, end);
        } else {
            QCPGraph::getOptimizedLineData(&out, begin, end);
        }
        return out;
    }

protected:
    void getOptimizedLineData(QVector<QCPGraphData>* lineData, const QCPGraphDataContainer::const_iterator& begin,
                              const QCPGraphDataContainer::const_iterator& end) const override;

private:
    void ensureSummary() const;
    void minMax(std::size_t from, std::size_t to, double& lo, double& hi) const;

    mutable bool summaryValid_ = false;
    mutable std::vector<double> blockMin_;
    mutable std::vector<double> blockMax_;
    mutable std::size_t summarized_ = 0;
};

void ChannelGraph::ensureSummary() const {
    const std::size_t n = static_cast<std::size_t>(mDataContainer->size());
    if (summaryValid_ && summarized_ == n) {
        return;
    }
    const auto data = mDataContainer->constBegin();
    const std::size_t blocks = (n + kBlock - 1) / kBlock;
    blockMin_.resize(blocks);
    blockMax_.resize(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t from = b * kBlock;
        const std::size_t to = std::min(n, from + kBlock);
        double lo = data[static_cast<int>(from)].value;
        double hi = lo;
        for (std::size_t i = from + 1; i < to; ++i) {
            const double v = data[static_cast<int>(i)].value;
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
        blockMin_[b] = lo;
        blockMax_[b] = hi;
    }
    summarized_ = n;
    summaryValid_ = true;
}

void ChannelGraph::minMax(std::size_t from, std::size_t to, double& lo, double& hi) const {
    const auto data = mDataContainer->constBegin();
    lo = hi = data[static_cast<int>(from)].value;
    const auto scan = [&](std::size_t a, std::size_t b) {
        for (std::size_t i = a; i < b; ++i) {
            const double v = data[static_cast<int>(i)].value;
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
    };
    const std::size_t firstFull = (from + kBlock - 1) / kBlock;
    const std::size_t endFull = to / kBlock;
    if (firstFull >= endFull) {
        scan(from + 1, to);
        return;
    }
    scan(from + 1, firstFull * kBlock);
    for (std::size_t b = firstFull; b < endFull; ++b) {
        lo = blockMin_[b] < lo ? blockMin_[b] : lo;
        hi = blockMax_[b] > hi ? blockMax_[b] : hi;
    }
    scan(endFull * kBlock, to);
}

void ChannelGraph::getOptimizedLineData(QVector<QCPGraphData>* lineData,
                                        const QCPGraphDataContainer::const_iterator& begin,
                                        const QCPGraphDataContainer::const_iterator& end) const {
    const QCPAxis* keyAxis = mKeyAxis.data();
    if (!lineData || !keyAxis || !mValueAxis || begin == end || !mAdaptiveSampling ||
        keyAxis->scaleType() != QCPAxis::stLinear || keyAxis->pixelOrientation() != 1 ||
        int(end - begin) < kFastFrom) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    // Sampling only pays with at least two points per pixel, as QCPGraph decides.
    const double keyPixelSpan = qAbs(keyAxis->coordToPixel(begin->key) - keyAxis->coordToPixel((end - 1)->key));
    if (!(2 * keyPixelSpan + 2 < static_cast<double>(std::numeric_limits<int>::max())) ||
        int(end - begin) < int(2 * keyPixelSpan + 2)) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    ensureSummary();
    const auto data = mDataContainer->constBegin();
    const auto key = [&](std::size_t i) { return data[static_cast<int>(i)].key; };
    const auto value = [&](std::size_t i) { return data[static_cast<int>(i)].value; };
    const auto intervalStart = [&](double k) { return keyAxis->pixelToCoord(int(keyAxis->coordToPixel(k))); };

    std::size_t i = static_cast<std::size_t>(begin - data);
    const std::size_t stop = static_cast<std::size_t>(end - data);
    double startKey = intervalStart(begin->key);
    double lastIntervalEndKey = startKey;
    const double eps = qAbs(startKey - keyAxis->pixelToCoord(keyAxis->coordToPixel(startKey) + 1.0));
    for (;;) {
        // The interval runs from i up to the first point at or beyond startKey + eps.
        const double bound = startKey + eps;
        std::size_t lo = i + 1;
        std::size_t hi = stop;
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (key(mid) < bound) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        const std::size_t next = lo;
        const bool cluster = next - i >= 2;
        if (cluster) {
            double mn = 0;
            double mx = 0;
            minMax(i, next, mn, mx);
            if (lastIntervalEndKey < startKey - eps) {
                lineData->append(QCPGraphData(startKey + eps * 0.2, value(i)));
            }
            lineData->append(QCPGraphData(startKey + eps * 0.25, mn));
            lineData->append(QCPGraphData(startKey + eps * 0.75, mx));
            if (next < stop && key(next) > startKey + eps * 2) {
                lineData->append(QCPGraphData(startKey + eps * 0.8, value(next - 1)));
            }
        } else {
            lineData->append(QCPGraphData(key(i), value(i)));
        }
        if (next >= stop) {
            break;
        }
        lastIntervalEndKey = key(next - 1);
        i = next;
        startKey = intervalStart(key(i));
    }
}

// ---- ChannelChart ----

ChannelChart::ChannelChart(int channel, QWidget* parent) : QCustomPlot(parent), channel_(channel) {
    const ChannelLook& look = kLook[std::clamp(channel, 0, 5)];
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setBackground(palette().brush(QPalette::Window));
    plotLayout()->setAutoMargins(QCP::msNone);

    for (QCPAxis* axis : {xAxis2, yAxis2}) {
        axis->setVisible(false);
    }
    const QFont labels = labelFont(false);
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setTickLabelFont(labels);
        axis->setLabelFont(labelFont(true));
        axis->setTickLength(0, 4);
        axis->setSubTickLength(0, 2);
        axis->grid()->setZeroLinePen(Qt::NoPen);
    }
    xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeTicker));
    yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ValueTicker(look.decimals, look.increment, yAxis, kLabelArea)));
    yAxis->setLabel(QString::fromUtf8(look.title));

    // A fixed left axis area, the same on every chart: the labels' 50 pixels
    // and the title's band beside them. The top and right margins hold half a
    // value label and half a time label; the bottom one follows the time labels.
    const QFontMetrics labelMetrics(labels);
    const QFontMetrics titleMetrics(yAxis->labelFont());
    const int left = kLabelArea + titleMetrics.height() + 2;
    const int top = labelMetrics.height() / 2 + 1;
    const int right = labelMetrics.horizontalAdvance(QStringLiteral("00:00:00")) / 2 + 1;
    axisRect()->setAutoMargins(QCP::msBottom);
    axisRect()->setMargins(QMargins(left, top, right, 0));
    yAxis->setTickLabelPadding(3);

    bandLayer_ = new kordel::FlagBandLayer(this);

    // The left axis's line, too, runs from 2 % to 98 % of the plotting height.
    axisLine_ = new QCPItemLine(this);
    axisLine_->setLayer(QStringLiteral("axes"));
    axisLine_->setClipToAxisRect(false);
    axisLine_->setSelectable(false);
    axisLine_->setPen(yAxis->basePen());
    for (QCPItemPosition* end : {axisLine_->start, axisLine_->end}) {
        end->setAxes(xAxis, yAxis);
        end->setAxisRect(axisRect());
        end->setTypeX(QCPItemPosition::ptAxisRectRatio);
        end->setTypeY(QCPItemPosition::ptPlotCoords);
    }
    yAxis->setBasePen(Qt::NoPen);

    graph_ = new ChannelGraph(xAxis, yAxis);
    graph_->setName(QStringLiteral("Series%1").arg(channel));
    graph_->setPen(QPen(QColor(255, 0, 0)));
    graph_->setLineStyle(QCPGraph::lsLine);
    graph_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    graph_->setAntialiased(false);
    graph_->setAdaptiveSampling(true);
    graph_->setSelectable(QCP::stNone);

    replotTimer_.setSingleShot(true);
    replotTimer_.setInterval(0);
    connect(&replotTimer_, &QTimer::timeout, this, [this] { replotNow(); });
    // Every replot, also the toolkit's own after a resize, draws the window it shows.
    connect(this, &QCustomPlot::beforeReplot, this, &ChannelChart::feedFromRecord);
    updateOuterMargins();
    updateAxes();
}

ChannelChart::~ChannelChart() = default;

QCPGraph* ChannelChart::series() const { return graph_; }

// ---- data ----

void ChannelChart::clearSeries() {
    graph_->data()->clear();
    record_.reset();
    fedWidth_ = -1;
    graph_->setAdaptiveSampling(true);
    timeAuto_ = true;
    valueAuto_ = true;
    extentValid_ = true;
    minY_ = maxY_ = 0;
    dataChanged();
}

void ChannelChart::setBands(std::vector<kordel::ChartBand> bands) {
    if (bands == bandLayer_->bands()) return;
    bandLayer_->setBands(std::move(bands));
    requestReplot();
}

void ChannelChart::showRecord(std::shared_ptr<const kordel::Record> record, std::size_t channel) {
    clearSeries();
    if (!record || channel >= record->channelCount()) {
        return;
    }
    record_ = std::move(record);
    recordChannel_ = channel;
    // The points handed over are already one pair per pixel column at most.
    graph_->setAdaptiveSampling(false);
    recordGrew();
}

void ChannelChart::recordGrew() {
    if (!record_) {
        return;
    }
    const double scale = record_->scale(recordChannel_);
    bool any = false;
    minY_ = maxY_ = 0;
    for (const kordel::BlockSummary& b : record_->blocks(recordChannel_)) {
        if (b.count == 0) continue;
        minY_ = any ? std::min(minY_, b.min / scale) : b.min / scale;
        maxY_ = any ? std::max(maxY_, b.max / scale) : b.max / scale;
        any = true;
    }
    extentValid_ = true;
    fedWidth_ = -1;  // the samples changed: the line is fetched anew
    dataChanged();
}

void ChannelChart::feedFromRecord() {
    if (!record_) {
        return;
    }
    const QCPRange range = xAxis->range();
    // The plotting width as the layout will make it (a resize replots before
    // the layout follows): the chart less its 1 % margins and its axis areas.
    const QMargins inner = axisRect()->margins();
    const int pixels = std::max(1, width() - 2 * qRound(width() * 0.01) - inner.left() - inner.right());
    if (fedWidth_ == pixels && fedRange_ == range) {
        return;
    }
    fedRange_ = range;
    fedWidth_ = pixels;
    const auto toMs = [](double x) {
        const double limit = static_cast<double>(kordel::Record::kTimeLimitMs);
        return static_cast<std::int64_t>(std::clamp(x * kordel::Record::kMsPerDay, -limit, limit));
    };
    const kordel::EnvelopeLine line =
        kordel::envelope(*record_, recordChannel_, toMs(range.lower), toMs(range.upper), pixels);
    // Denser than the pixels, the line would be drawn in segments shorter
    // than a pixel, and the toolkit's one-pixel pen leaves holes between such
    // segments (the line looks dashed). Each point moves to the middle of its
    // pixel column instead (a quarter in, clear of the rounding at its
    // edges and middle): a column's points make one vertical stroke, and
    // neighbouring columns join by whole-pixel steps.
    const double column = range.size() / pixels;
    const bool dense = line.x.size() > static_cast<std::size_t>(pixels) && column > 0;
    QVector<QCPGraphData> points(static_cast<qsizetype>(line.x.size()));
    for (std::size_t i = 0; i < line.x.size(); ++i) {
        double x = line.x[i];
        if (dense && x >= range.lower && x <= range.upper) {
            const double c = std::min(std::floor((x - range.lower) / column), static_cast<double>(pixels - 1));
            x = range.lower + (c + 0.25) * column;  // well inside the pixel, whatever the rounding
        }
        points[static_cast<qsizetype>(i)] = QCPGraphData(x, line.y[i]);
    }
    graph_->data()->set(points, true);
}

void ChannelChart::appendPoint(double x, double y) {
    if (record_) {
        clearSeries();
    }
    const bool first = graph_->data()->isEmpty();
    graph_->addData(x, y);
    if (extentValid_) {
        minY_ = first ? y : std::min(minY_, y);
        maxY_ = first ? y : std::max(maxY_, y);
    }
    dataChanged();
}

void ChannelChart::dropFirstPoint() {
    auto data = graph_->data();
    if (data->isEmpty()) {
        return;
    }
    const double y = data->constBegin()->value;
    // The container removes its first point by moving its start, in O(1).
    data->remove(data->constBegin()->key);
    if (extentValid_ && (y <= minY_ || y >= maxY_)) {
        extentValid_ = false;
    }
    dataChanged();
}

void ChannelChart::appendPoints(const std::vector<double>& x, const std::vector<double>& y,
                                const std::vector<std::size_t>* order) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) {
        return;
    }
    QVector<QCPGraphData> points(static_cast<qsizetype>(n));
    bool first = graph_->data()->isEmpty();
    double lo = first ? y[0] : minY_;
    double hi = first ? y[0] : maxY_;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = order ? (*order)[i] : i;
        points[static_cast<qsizetype>(i)] = QCPGraphData(x[j], y[j]);
        const double v = y[j];
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    graph_->data()->add(points, true);
    if (extentValid_) {
        minY_ = lo;
        maxY_ = hi;
    }
    dataChanged();
}

std::size_t ChannelChart::pointCount() const {
    return record_ ? record_->size() : static_cast<std::size_t>(graph_->data()->size());
}

double ChannelChart::xAt(std::size_t i) const {
    return record_ ? record_->timeNumber(i) : graph_->data()->at(static_cast<int>(i))->key;
}

double ChannelChart::yAt(std::size_t i) const {
    return record_ ? record_->value(recordChannel_, i) : graph_->data()->at(static_cast<int>(i))->value;
}

double ChannelChart::minX() const {
    if (record_) return record_->empty() ? 0 : record_->timeNumber(0);
    return graph_->data()->isEmpty() ? 0 : graph_->data()->constBegin()->key;
}

double ChannelChart::maxX() const {
    if (record_) return record_->empty() ? 0 : record_->timeNumber(record_->size() - 1);
    return graph_->data()->isEmpty() ? 0 : (graph_->data()->constEnd() - 1)->key;
}

void ChannelChart::computeExtent() const {
    if (extentValid_) {
        return;
    }
    auto data = graph_->data();
    minY_ = maxY_ = 0;
    if (!data->isEmpty()) {
        minY_ = maxY_ = data->constBegin()->value;
        for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
            minY_ = it->value < minY_ ? it->value : minY_;
            maxY_ = it->value > maxY_ ? it->value : maxY_;
        }
    }
    extentValid_ = true;
}

double ChannelChart::minY() const {
    computeExtent();
    return minY_;
}

double ChannelChart::maxY() const {
    computeExtent();
    return maxY_;
}

void ChannelChart::dataChanged() {
    graph_->invalidate();
    updateAxes();
    requestReplot();
}

void ChannelChart::setCaption(const QString& caption) {
    yAxis->setLabel(caption.isEmpty() ? QString::fromUtf8(kLook[std::clamp(channel_, 0, 5)].title) : caption);
    requestReplot();
}

// ---- axes ----

void ChannelChart::setTimeAxis(double a, double b) {
    timeAuto_ = false;
    timeFixed_ = kordel::orderedRange(a, b);
    updateAxes();
    requestReplot();
}

void ChannelChart::setValueAxis(double a, double b) {
    valueAuto_ = false;
    valueFixed_ = kordel::orderedRange(a, b);
    updateAxes();
    requestReplot();
}

void ChannelChart::followData() {
    timeAuto_ = true;
    valueAuto_ = true;
    updateAxes();
    requestReplot();
}

kordel::AxisRange ChannelChart::timeAxis() const { return timeAuto_ ? kordel::AxisRange{minX(), maxX()} : timeFixed_; }

kordel::AxisRange ChannelChart::valueAxis() const {
    return valueAuto_ ? kordel::AxisRange{minY(), maxY()} : valueFixed_;
}

void ChannelChart::updateAxes() {
    const kordel::AxisRange t = kordel::drawableRange(timeAxis());
    xAxis->setRange(t.min, t.max);
    const kordel::AxisRange shown = kordel::drawableRange(valueAxis());
    const kordel::AxisRange v = kordel::valueAxisSpan(shown);
    yAxis->setRange(v.min, v.max);
    axisLine_->start->setCoords(0, shown.min);
    axisLine_->end->setCoords(0, shown.max);
}

QRect ChannelChart::plotRect() const { return axisRect()->rect(); }

double ChannelChart::timeAtPixel(int x) const { return xAxis->pixelToCoord(x); }

int ChannelChart::pixelOfTime(double x) const { return qRound(xAxis->coordToPixel(x)); }

// ---- cursor line and frame ----

void ChannelChart::drawCursorLine(int column) {
    const int c = column > 0 ? column : -1;
    if (c == cursorLine_) {
        return;
    }
    // Only the columns of the old and the new line are painted again.
    const QRect plot = plotRect();
    if (cursorLine_ > 0) {
        update(QRect(cursorLine_, plot.top(), 1, plot.height()));
    }
    cursorLine_ = c;
    if (cursorLine_ > 0) {
        update(QRect(cursorLine_, plot.top(), 1, plot.height()));
    }
}

void ChannelChart::eraseCursorLine() { drawCursorLine(-1); }

void ChannelChart::setLowered(bool on) {
    if (on != lowered_) {
        lowered_ = on;
        update();
    }
}

// ---- replots ----

void ChannelChart::requestReplot() {
    replotPending_ = true;
    if (!replotTimer_.isActive()) {
        replotTimer_.start();
    }
}

void ChannelChart::replotNow(bool immediate) {
    replotPending_ = false;
    replotTimer_.stop();
    if (!isVisible()) {
        // A hidden chart (its channel switched off) replots when shown again.
        staleWhileHidden_ = true;
        return;
    }
    staleWhileHidden_ = false;
    ++replots_;
    replot(immediate ? rpImmediateRefresh : rpQueuedRefresh);
}

QVector<QCPGraphData> ChannelChart::lineData(bool fastSampler) const { return graph_->lineDataFor(fastSampler); }

// ---- events ----

void ChannelChart::paintEvent(QPaintEvent* event) {
    QCustomPlot::paintEvent(event);
    if (!lowered_ && cursorLine_ <= 0) {
        return;
    }
    QPainter p(this);
    if (lowered_) {
        // A lowered bevel one pixel wide: dark top and left, light bottom and right.
        const int r = width() - 1;
        const int b = height() - 1;
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(0, 0, r, 0);
        p.drawLine(0, 0, 0, b);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, b, r, b);
        p.drawLine(r, 1, r, b);
    }
    if (cursorLine_ > 0) {
        // Dotted: every other pixel of the column, XORed with what lies there.
        const QRect rect = plotRect();
        const QColor colour = cursorXorColour(mBackgroundBrush.color());
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (int y = rect.top(); y <= rect.bottom(); y += 2) {
            p.fillRect(cursorLine_, y, 1, 1, colour);
        }
    }
}

void ChannelChart::resizeEvent(QResizeEvent* event) {
    updateOuterMargins();
    QCustomPlot::resizeEvent(event);
}

void ChannelChart::updateOuterMargins() {
    // Margins of 1 % of the chart's size on every side.
    const int h = qRound(width() * 0.01);
    const int v = qRound(height() * 0.01);
    plotLayout()->setMargins(QMargins(h, v, h, v));
    // As many labels as fit without crowding: on the left axis about two label
    // heights apart, on the bottom one about two label widths.
    const QFontMetrics m(xAxis->tickLabelFont());
    const QMargins inner = axisRect()->margins();
    const int plotWidth = width() - 2 * h - inner.left() - inner.right();
    const int plotHeight = height() - 2 * v - inner.top() - (m.height() + 8);
    const int labelWidth = m.horizontalAdvance(QStringLiteral("00:00:00"));
    xAxis->ticker()->setTickCount(std::clamp(plotWidth / std::max(1, 2 * labelWidth), 2, 10));
    yAxis->ticker()->setTickCount(std::clamp(plotHeight / std::max(1, 2 * m.height()), 1, 10));
}

void ChannelChart::showEvent(QShowEvent* event) {
    // A chart shown again has been repainted whole: it forgets its old line.
    cursorLine_ = -1;
    QCustomPlot::showEvent(event);
    if (staleWhileHidden_) {
        replotNow();
    }
}

void ChannelChart::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    pressPos_ = event->position().toPoint();
    boxing_ = false;
    selecting_ = pressed_ && (event->modifiers() & Qt::ShiftModifier);
    QCustomPlot::mousePressEvent(event);
}

void ChannelChart::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    if (pressed_ && (event->buttons() & Qt::LeftButton) && plotRect().contains(pressPos_) &&
        (boxing_ || (pos - pressPos_).manhattanLength() > kBoxThreshold)) {
        boxing_ = true;
        if (!band_) {
            band_ = new QRubberBand(QRubberBand::Rectangle, this);
        }
        const QRect plot = plotRect();
        // A selection is a time range: it spans the chart's whole height.
        band_->setGeometry(selecting_ ? QRect(QPoint(std::min(pressPos_.x(), pos.x()), plot.top()),
                                              QPoint(std::max(pressPos_.x(), pos.x()), plot.bottom()))
                                            .intersected(plot)
                                      : QRect(pressPos_, pos).normalized().intersected(plot));
        band_->show();
    }
    emit MouseMove(this, pos.x(), pos.y());
}

void ChannelChart::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool left = pressed_ && event->button() == Qt::LeftButton;
    const bool box = left && boxing_;
    const bool click = left && !boxing_ && rect().contains(pos);
    const bool selection = box && selecting_;
    pressed_ = false;
    boxing_ = false;
    selecting_ = false;
    if (band_) {
        band_->hide();
    }
    QCustomPlot::mouseReleaseEvent(event);
    if (selection) {
        const QRect plot = plotRect();
        const int a = std::clamp(std::min(pressPos_.x(), pos.x()), plot.left(), plot.right());
        const int b = std::clamp(std::max(pressPos_.x(), pos.x()), plot.left(), plot.right());
        if (b > a) {
            emit RangeDragged(this, a, b);
        }
    } else if (box) {
        const QRect r = QRect(pressPos_, pos).normalized().intersected(plotRect());
        if (r.width() > 0 && r.height() > 0) {
            emit BoxDragged(this, r);
        }
    } else if (click) {
        emit Click(this);
    }
}

void ChannelChart::mouseDoubleClickEvent(QMouseEvent* event) {
    QCustomPlot::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit DoubleClicked(this);
    }
}

void ChannelChart::wheelEvent(QWheelEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        emit WheelTurned(this, pos.x(), pos.y(), delta, event->modifiers(), static_cast<qint64>(event->timestamp()));
        event->accept();
    }
}

void ChannelChart::focusOutEvent(QFocusEvent* event) {
    QCustomPlot::focusOutEvent(event);
    // Leaving the window (another application, a menu) is not leaving the chart.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
        emit Exit(this);
    }
}
