#include "widgets/zoomlerlogic.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace kordel {

int roundPixel(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double kLimit = 268435456.0;  // 2^28
    v = std::clamp(v, -kLimit, kLimit);
    double whole = std::floor(v);
    const double part = v - whole;
    if (part > 0.5 || (part == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return static_cast<int>(whole);
}

ZoomlerLogic::ZoomlerLogic(RepeatTimer* timer) : timer_(timer) {
    // The first placement measures its movement from pixel 0 at both ends.
    updateGeometry();
}

// --- Values ------------------------------------------------------------------

void ZoomlerLogic::setMin(double x) {
    min_ = x >= max_ ? max_ - step_ : x;
    updateGeometry();
}

void ZoomlerLogic::setMax(double x) {
    max_ = x > min_ ? x : min_ + step_;
    updateGeometry();
}

void ZoomlerLogic::setStart(double x) {
    start_ = x >= finish_ ? finish_ - step_ : std::max(x, min_);
    applyStepAuto();
    updateGeometry();
}

void ZoomlerLogic::setFinish(double x) {
    finish_ = x <= start_ ? start_ + step_ : std::min(x, max_);
    applyStepAuto();
    updateGeometry();
}

void ZoomlerLogic::setOrientation(TOrientation o) {
    orientation_ = o;
    updateGeometry();
}

void ZoomlerLogic::setRange(double min, double max, double start, double finish) {
    min_ = min;
    max_ = max;
    start_ = start;
    finish_ = finish;
    applyStepAuto();
    updateGeometry();
}

void ZoomlerLogic::setWindow(double start, double finish) {
    start_ = start;
    finish_ = finish;
    if (start_ < min_) {
        start_ = min_;
    }
    if (finish_ > max_) {
        finish_ = max_;
    }
    applyStepAuto();
    updateGeometry();
}

void ZoomlerLogic::applyStepAuto() {
    if (stepAuto_) {
        step_ = (finish_ - start_) * 2 / 3;
    }
}

void ZoomlerLogic::shiftWindow(double d) {
    const double s = start_ + d;
    const double f = finish_ + d;
    if (std::isfinite(s) && std::isfinite(f)) {
        start_ = s;
        finish_ = f;
    }
}

// --- Geometry ----------------------------------------------------------------

void ZoomlerLogic::setSize(int width, int height) {
    width_ = width;
    height_ = height;
    updateGeometry();
}

int ZoomlerLogic::length() const {
    return orientation_ == TOrientation::Horizontal ? width_ : height_;
}

int ZoomlerLogic::breadth() const {
    return orientation_ == TOrientation::Horizontal ? height_ : width_;
}

void ZoomlerLogic::updateGeometry() {
    const int len = length();
    const double track = len - 2 * kArrow;
    const double range = max_ - min_;
    const double k = range == 0 ? track : track / range;
    int s = kArrow + roundPixel((start_ - min_) * k);
    int e = len - kArrow - roundPixel((max_ - finish_) * k);
    if (e - s < kMinThumb) {
        const int startMoved = std::abs(s - thumbStart_);
        const int endMoved = std::abs(e - thumbEnd_);
        if (endMoved > startMoved) {
            e = s + kMinThumb;
        } else if (startMoved > endMoved) {
            s = e - kMinThumb;
        } else {
            s = thumbStart_;
            e = thumbEnd_;
        }
    }
    thumbStart_ = s;
    thumbEnd_ = e;
}

ZoomlerZone ZoomlerLogic::zoneAt(int x, int y) const {
    const int a = along(x, y);
    const int b = across(x, y);
    const int len = length();
    if (b < 3 || b >= breadth() - 3) {
        return ZoomlerZone::None;
    }
    const auto in = [a](int lo, int hi) { return a >= lo && a < hi; };
    const int ts = thumbStart_;
    const int te = thumbEnd_;
    if (in(1, 11)) {
        return ZoomlerZone::LowArrow;
    }
    if (in(12, ts - 1)) {
        return ZoomlerZone::TrackBelow;
    }
    if (in(ts + 1, ts + 11)) {
        return ZoomlerZone::StartGrip;
    }
    if (in(ts + 12, te - 12)) {
        return ZoomlerZone::Body;
    }
    if (in(te - 11, te - 1)) {
        return ZoomlerZone::FinishGrip;
    }
    if (in(te + 1, len - 12)) {
        return ZoomlerZone::TrackAbove;
    }
    if (in(len - 11, len - 1)) {
        return ZoomlerZone::HighArrow;
    }
    return ZoomlerZone::None;
}

bool ZoomlerLogic::held() const {
    return dragMode_ != 0 || lowArrowPressed_ || highArrowPressed_ || (timer_ && timer_->running());
}

// --- Input -------------------------------------------------------------------

ZoomlerNotice ZoomlerLogic::mouseDown(const ZoomlerPress& press) {
    const int a = along(press.x, press.y);
    lastPosition_ = a;
    switch (zoneAt(press.x, press.y)) {
        case ZoomlerZone::LowArrow: {
            const ZoomlerNotice n = stepDown();
            lowArrowPressed_ = true;
            startRepeat(press);
            return n;
        }
        case ZoomlerZone::HighArrow: {
            const ZoomlerNotice n = stepUp();
            highArrowPressed_ = true;
            startRepeat(press);
            return n;
        }
        case ZoomlerZone::TrackBelow:
            return pageDown(a);
        case ZoomlerZone::TrackAbove:
            return pageUp(a);
        case ZoomlerZone::StartGrip:
            dragMode_ = 1;
            return ZoomlerNotice::None;
        case ZoomlerZone::FinishGrip:
            dragMode_ = 2;
            return ZoomlerNotice::None;
        case ZoomlerZone::Body:
            dragMode_ = 3;
            return ZoomlerNotice::None;
        case ZoomlerZone::None:
            dragMode_ = 0;
            return ZoomlerNotice::None;
    }
    return ZoomlerNotice::None;
}

void ZoomlerLogic::startRepeat(const ZoomlerPress& press) {
    if (!timer_ || timer_->running()) {
        return;
    }
    timer_->setInterval(kFirstRepeatMs);
    savedPress_ = press;
    timer_->start();
}

ZoomlerNotice ZoomlerLogic::repeatTick() {
    if (timer_) {
        timer_->setInterval(kRepeatMs);
    }
    return mouseDown(savedPress_);
}

ZoomlerMove ZoomlerLogic::mouseMove(int x, int y) {
    ZoomlerMove result;
    switch (zoneAt(x, y)) {
        case ZoomlerZone::StartGrip:
        case ZoomlerZone::FinishGrip:
            result.cursor = ZoomlerCursor::Resize;
            break;
        case ZoomlerZone::Body:
            result.cursor = ZoomlerCursor::Hand;
            break;
        default:
            result.cursor = ZoomlerCursor::Default;
            break;
    }
    if (dragMode_ != 0) {
        result.notice = dragStep(along(x, y));
    }
    return result;
}

ZoomlerNotice ZoomlerLogic::mouseUp() {
    if (timer_) {
        timer_->stop();
    }
    lowArrowPressed_ = false;
    highArrowPressed_ = false;
    const ZoomlerNotice n = dragMode_ != 0 ? ZoomlerNotice::Changed : ZoomlerNotice::None;
    dragMode_ = 0;
    return n;
}

ZoomlerNotice ZoomlerLogic::doubleClick() {
    if (!dblClkEnable_) {
        return ZoomlerNotice::None;
    }
    start_ = min_;
    finish_ = max_;
    updateGeometry();
    return ZoomlerNotice::Changed;
}

ZoomlerNotice ZoomlerLogic::stepDown() {
    double s = step_;
    if (min_ + s > start_) {
        s = start_ - min_;
    }
    shiftWindow(-s);
    updateGeometry();
    return ZoomlerNotice::Changed;
}

ZoomlerNotice ZoomlerLogic::stepUp() {
    double s = step_;
    if (max_ - s < finish_) {
        s = max_ - finish_;
    }
    shiftWindow(s);
    updateGeometry();
    return ZoomlerNotice::Changed;
}

ZoomlerNotice ZoomlerLogic::pageDown(int a) {
    // Pixel 11 stands for Min and the thumb's start pixel for the present Start.
    const double newStart = start_ - (start_ - min_) * (thumbStart_ - a) / (thumbStart_ - 11);
    shiftWindow(newStart - start_);
    applyStepAuto();
    updateGeometry();
    return ZoomlerNotice::Changed;
}

ZoomlerNotice ZoomlerLogic::pageUp(int a) {
    // Pixel L - 11 stands for Max and the thumb's end pixel for the present Finish.
    const double newFinish = finish_ + (max_ - finish_) * (a - thumbEnd_) / (length() - 11 - thumbEnd_);
    shiftWindow(newFinish - finish_);
    applyStepAuto();
    updateGeometry();
    return ZoomlerNotice::Changed;
}

ZoomlerNotice ZoomlerLogic::dragStep(int a) {
    if (a == lastPosition_) {
        return ZoomlerNotice::None;
    }
    const double k = (length() - 2 * kArrow) / (max_ - min_);
    const double delta = (a - lastPosition_) / k;
    // A range of length zero (or a bar without a track) has no scale: there the
    // pointer's movement moves nothing, but the drag still reports its step.
    const bool moves = std::isfinite(k) && k != 0 && std::isfinite(delta);
    ZoomlerNotice notice = ZoomlerNotice::None;
    double d = 0;
    switch (dragMode_) {
        case 1:
            if (moves) {
                d = delta >= 0 ? std::min(delta, finish_ - start_) : std::max(delta, min_ - start_);
            }
            if (std::isfinite(start_ + d)) {
                start_ += d;
            }
            notice = ZoomlerNotice::Zooming;
            break;
        case 2:
            if (moves) {
                d = delta > 0 ? std::min(delta, max_ - finish_) : std::max(delta, start_ - finish_);
            }
            if (std::isfinite(finish_ + d)) {
                finish_ += d;
            }
            notice = ZoomlerNotice::Zooming;
            break;
        case 3:
            if (moves) {
                d = delta >= 0 ? std::min(delta, max_ - finish_) : std::max(delta, min_ - start_);
            }
            shiftWindow(d);
            notice = ZoomlerNotice::Scrolling;
            break;
        default:
            return ZoomlerNotice::None;
    }
    applyStepAuto();
    lastPosition_ = a;
    updateGeometry();
    return notice;
}

// --- Picture -----------------------------------------------------------------

namespace {

// A line from (a1, b1) to (a2, b2), along or across the bar, with its start
// pixel and without its end pixel.
void line(BarCanvas& c, int a1, int b1, int a2, int b2, BarColour colour) {
    if (a1 == a2) {
        if (b2 > b1) {
            c.fill(a1, b1, a1 + 1, b2, colour);
        } else if (b2 < b1) {
            c.fill(a1, b2 + 1, a1 + 1, b1 + 1, colour);
        }
    } else if (b1 == b2) {
        if (a2 > a1) {
            c.fill(a1, b1, a2, b1 + 1, colour);
        } else {
            c.fill(a2 + 1, b1, a1 + 1, b1 + 1, colour);
        }
    }
}

void fillBox(BarCanvas& c, int l, int t, int r, int b) {
    if (r > l && b > t) {
        c.fill(l, t, r, b, BarColour::Face);
    }
}

void raisedBox(BarCanvas& c, int l, int t, int r, int b) {
    fillBox(c, l, t, r, b);
    line(c, l, b, l, t, BarColour::Light);
    line(c, l, t, r, t, BarColour::Light);
    line(c, r, t + 1, r, b, BarColour::Dark);
    line(c, r, b, l - 1, b, BarColour::Dark);
}

void sunkenBox(BarCanvas& c, int l, int t, int r, int b) {
    fillBox(c, l, t, r, b);
    line(c, r, t, r, b, BarColour::Light);
    line(c, r, b, l, b, BarColour::Light);
    line(c, l, b, l, t, BarColour::Dark);
    line(c, l, t, r, t, BarColour::Dark);
}

struct Point {
    int a;
    int b;
};

// A triangle filled and outlined in one colour: the outline's pixels (lines
// between the corners, corners included), and in each row everything between
// the outermost of them.
void triangle(BarCanvas& c, Point p0, Point p1, Point p2, BarColour colour) {
    const int top = std::min({p0.b, p1.b, p2.b});
    const int bottom = std::max({p0.b, p1.b, p2.b});
    // One span per row; a bar is never broad enough to need the heap, but a
    // very broad one still draws.
    const int rows = bottom - top + 1;
    constexpr int kRows = 64;
    std::array<int, 2 * kRows> local;
    std::vector<int> big;
    int* spans = local.data();
    if (rows > kRows) {
        big.resize(2 * static_cast<std::size_t>(rows));
        spans = big.data();
    }
    int* lo = spans;
    int* hi = spans + rows;
    std::fill(lo, lo + rows, INT_MAX);
    std::fill(hi, hi + rows, INT_MIN);
    const auto edge = [&](Point from, Point to) {
        int a = from.a;
        int b = from.b;
        const int da = std::abs(to.a - a);
        const int sa = a < to.a ? 1 : -1;
        const int db = -std::abs(to.b - b);
        const int sb = b < to.b ? 1 : -1;
        int err = da + db;
        for (;;) {
            const int row = b - top;
            lo[row] = std::min(lo[row], a);
            hi[row] = std::max(hi[row], a);
            if (a == to.a && b == to.b) {
                break;
            }
            const int e2 = 2 * err;
            if (e2 >= db) {
                err += db;
                a += sa;
            }
            if (e2 <= da) {
                err += da;
                b += sb;
            }
        }
    };
    edge(p0, p1);
    edge(p1, p2);
    edge(p2, p0);
    for (int row = 0; row < rows; ++row) {
        if (lo[row] <= hi[row]) {
            c.fill(lo[row], top + row, hi[row] + 1, top + row + 1, colour);
        }
    }
}

}  // namespace

void ZoomlerLogic::paint(BarCanvas& c) const {
    const int w = length();
    const int h = breadth();
    const int ts = thumbStart_;
    const int te = thumbEnd_;

    sunkenBox(c, 0, 0, w - 1, h - 1);
    if (w - 2 > 2 && h - 2 > 2) {
        c.fill(2, 2, w - 2, h - 2, BarColour::Track);
    }
    raisedBox(c, ts, 2, te, h - 3);
    sunkenBox(c, ts + 10, 3, te - 10, h - 4);
    if (lowArrowPressed_) {
        sunkenBox(c, 1, 2, 11, h - 3);
    } else {
        raisedBox(c, 1, 2, 11, h - 3);
    }
    if (highArrowPressed_) {
        sunkenBox(c, w - 11, 2, w - 2, h - 3);
    } else {
        raisedBox(c, w - 11, 2, w - 2, h - 3);
    }
    line(c, ts + 5, 3, ts + 5, h - 4, BarColour::Mark);
    line(c, te - 5, 3, te - 5, h - 4, BarColour::Mark);
    const int m = (h - 4) / 2 + 2;
    triangle(c, {9, 3}, {9, h - 4}, {2, m}, BarColour::Mark);
    triangle(c, {w - 9, 3}, {w - 9, h - 4}, {w - 3, m}, BarColour::Mark);
}

}  // namespace kordel
