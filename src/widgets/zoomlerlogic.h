#pragma once
// The range bar's model: a window [Start, Finish] inside a range [Min, Max],
// shown as a thumb on a track with a 12-pixel arrow button at each end; where a
// press lands; what presses, moves, releases, double clicks and auto-repeat
// ticks do to the values; and the picture of the bar as filled rectangles.
//
// Positions are bar coordinates: `a` runs along the bar (x of a horizontal bar,
// y of a vertical one) from the low end, `b` runs across it. The bar is L
// pixels long and C pixels broad. A vertical bar is a horizontal one with x and
// y swapped, so everything below is written once, for the horizontal bar.
//
// Nothing here knows the toolkit: the widget turns events into these calls,
// sends the notice each call returns, and copies the picture to the screen.

#include <cstdint>

#include "widgets/repeattimer.h"

namespace kordel {

enum class TOrientation { Horizontal, Vertical };

// Where a pointer is over the bar. Pixels between two zones, and everything
// outside the band 3 <= b < C - 3, are None.
enum class ZoomlerZone { LowArrow, TrackBelow, StartGrip, Body, FinishGrip, TrackAbove, HighArrow, None };

// What the host must be told after an input call.
enum class ZoomlerNotice { None, Scrolling, Zooming, Changed };

// The pointer shape over a zone: Resize over either grip (along the bar), Hand
// over the thumb's body, Default elsewhere.
enum class ZoomlerCursor { Default, Resize, Hand };

// Colours of the picture. Dark is the toolkit's 3-D dark shadow colour; the
// others are fixed (see kFaceRgb and the rest).
enum class BarColour : std::uint8_t { Face, Light, Dark, Track, Mark };

inline constexpr std::uint32_t kFaceRgb = 0xC0C0C0;
inline constexpr std::uint32_t kLightRgb = 0xFFFFFF;
inline constexpr std::uint32_t kTrackRgb = 0xE0E0E0;
inline constexpr std::uint32_t kMarkRgb = 0x808080;

// Receives the picture of the bar: each call fills the half-open rectangle
// a0 <= a < a1, b0 <= b < b1 (bar coordinates); later calls paint over earlier.
class BarCanvas {
public:
    virtual ~BarCanvas() = default;
    virtual void fill(int a0, int b0, int a1, int b1, BarColour colour) = 0;
};

// A press as the toolkit reported it; the auto-repeat replays the saved one.
// Button and modifiers are kept as the toolkit's own numbers.
struct ZoomlerPress {
    int button = 0;
    int modifiers = 0;
    int x = 0;
    int y = 0;

    friend bool operator==(const ZoomlerPress&, const ZoomlerPress&) = default;
};

struct ZoomlerMove {
    ZoomlerCursor cursor = ZoomlerCursor::Default;
    ZoomlerNotice notice = ZoomlerNotice::None;
};

class ZoomlerLogic {
public:
    static constexpr int kArrow = 12;          // pixels of each arrow button along the bar
    static constexpr int kMinThumb = 30;       // shortest thumb drawn, in pixels
    static constexpr int kFirstRepeatMs = 500; // from the press on an arrow to the second step
    static constexpr int kRepeatMs = 50;       // between the following steps

    // The timer is the owner's; without one, a held arrow steps only once.
    explicit ZoomlerLogic(RepeatTimer* timer = nullptr);

    // --- Values. Every assignment recomputes the geometry.
    double min() const { return min_; }
    double max() const { return max_; }
    double start() const { return start_; }
    double finish() const { return finish_; }
    double step() const { return step_; }
    bool stepAuto() const { return stepAuto_; }
    bool dblClkEnable() const { return dblClkEnable_; }
    TOrientation orientation() const { return orientation_; }

    // Min below Max (else Max - Step); Max above Min (else Min + Step).
    // Neither touches Start, Finish or Step.
    void setMin(double x);
    void setMax(double x);
    // Start below Finish (else Finish - Step) and not below Min; Finish above
    // Start (else Start + Step) and not above Max. Both then apply SetStepAuto.
    void setStart(double x);
    void setFinish(double x);
    void setStep(double x) { step_ = x; }
    void setStepAuto(bool on) { stepAuto_ = on; }
    void setDblClkEnable(bool on) { dblClkEnable_ = on; }
    void setOrientation(TOrientation o);

    // All four stored as given, without any check; then SetStepAuto.
    void setRange(double min, double max, double start, double finish);
    // Both stored, Start raised to Min and Finish lowered to Max where they lie
    // outside; Start above Finish is left as it is. Then SetStepAuto.
    void setWindow(double start, double finish);

    // --- Geometry.
    // The control's size in screen pixels; length and breadth follow from the
    // orientation.
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    int length() const;   // L
    int breadth() const;  // C

    // Places the thumb for the present values and size. Run after every change
    // of the values and before every paint. A thumb shorter than kMinThumb is
    // lengthened at the end that moved more since the previous placement; when
    // both moved equally it stays where it was.
    void updateGeometry();
    int thumbStart() const { return thumbStart_; }
    int thumbEnd() const { return thumbEnd_; }

    ZoomlerZone zoneAt(int x, int y) const;
    int along(int x, int y) const { return orientation_ == TOrientation::Horizontal ? x : y; }
    int across(int x, int y) const { return orientation_ == TOrientation::Horizontal ? y : x; }

    // --- State of the pointer.
    int dragMode() const { return dragMode_; }  // 0 none, 1 Start end, 2 Finish end, 3 whole window
    int lastPosition() const { return lastPosition_; }
    bool lowArrowPressed() const { return lowArrowPressed_; }
    bool highArrowPressed() const { return highArrowPressed_; }
    const ZoomlerPress& savedPress() const { return savedPress_; }
    // A button is held on the bar: an arrow repeats or a drag is under way.
    bool held() const;

    // --- Input (toolkit coordinates of the control).
    ZoomlerNotice mouseDown(const ZoomlerPress& press);
    ZoomlerMove mouseMove(int x, int y);
    ZoomlerNotice mouseUp();
    // The reset to the whole range, when DblClkEnable is set; the second click's
    // press is handled by mouseDown like any other.
    ZoomlerNotice doubleClick();
    // A tick of the repeat timer: from now on every 50 ms, and the saved press again.
    ZoomlerNotice repeatTick();

    // One arrow step: the window keeps its length and stops at Min or Max.
    // Step is not recomputed.
    ZoomlerNotice stepDown();
    ZoomlerNotice stepUp();
    // A click on the track at `a` below or above the thumb.
    ZoomlerNotice pageDown(int a);
    ZoomlerNotice pageUp(int a);
    // The pointer at `a` while a drag mode is set.
    ZoomlerNotice dragStep(int a);

    // --- Picture: the whole bar, every pixel of it, in bar coordinates.
    void paint(BarCanvas& canvas) const;

private:
    void applyStepAuto();
    // Moves the window by d; a result that is not a finite number is not stored.
    void shiftWindow(double d);
    void startRepeat(const ZoomlerPress& press);

    RepeatTimer* timer_;

    double min_ = 1;
    double max_ = 100;
    double start_ = 30;
    double finish_ = 70;
    double step_ = 1;
    bool stepAuto_ = true;
    bool dblClkEnable_ = false;
    TOrientation orientation_ = TOrientation::Horizontal;

    int width_ = 200;
    int height_ = 14;
    int thumbStart_ = 0;
    int thumbEnd_ = 0;

    int dragMode_ = 0;
    int lastPosition_ = 0;
    bool lowArrowPressed_ = false;
    bool highArrowPressed_ = false;
    ZoomlerPress savedPress_;
};

// The nearest integer, halves going to the even one. Values beyond any screen
// are held at +-2^28 and NaN counts as 0, so pixel arithmetic cannot overflow.
int roundPixel(double v);

}  // namespace kordel
