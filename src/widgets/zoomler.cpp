#include "widgets/zoomler.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <array>
#include <cmath>

using kordel::BarColour;
using kordel::ZoomlerCursor;
using kordel::ZoomlerNotice;

namespace {

// The repeat timer of the program: a QTimer on the user-interface thread.
class QtRepeatTimer : public kordel::RepeatTimer {
public:
    QtRepeatTimer() {
        timer_.setSingleShot(false);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    }
    bool running() const override { return timer_.isActive(); }
    void setInterval(int ms) override { timer_.setInterval(ms); }
    int interval() const override { return timer_.interval(); }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }

private:
    QTimer timer_;
};

// Paints the bar's rectangles into the bitmap, swapping the coordinates of a
// vertical bar.
class BitmapCanvas : public kordel::BarCanvas {
public:
    BitmapCanvas(QPainter& painter, bool vertical, const std::array<QColor, 5>& colours)
        : painter_(painter), vertical_(vertical), colours_(colours) {}

    void fill(int a0, int b0, int a1, int b1, BarColour colour) override {
        const QColor& c = colours_[static_cast<std::size_t>(colour)];
        if (vertical_) {
            painter_.fillRect(b0, a0, b1 - b0, a1 - a0, c);
        } else {
            painter_.fillRect(a0, b0, a1 - a0, b1 - b0, c);
        }
    }

private:
    QPainter& painter_;
    bool vertical_;
    const std::array<QColor, 5>& colours_;
};

// The pixel that holds the pointer (the toolkit reports fractional positions
// on scaled screens).
QPoint pixelOf(const QMouseEvent* event) {
    const QPointF p = event->position();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

kordel::ZoomlerPress pressOf(const QMouseEvent* event) {
    const QPoint p = pixelOf(event);
    return {static_cast<int>(event->button()), static_cast<int>(event->modifiers().toInt()), p.x(), p.y()};
}

}  // namespace

TZoomler::TZoomler(QWidget* parent, std::unique_ptr<kordel::RepeatTimer> timer)
    : QWidget(parent),
      timer_(timer ? std::move(timer) : std::make_unique<QtRepeatTimer>()),
      logic_(timer_.get()) {
    timer_->stop();
    timer_->onTick([this] { repeatTick(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    resize(200, 14);
    syncSize();
}

TZoomler::~TZoomler() {
    // The timer goes with the bar; it must not call back into a half-destroyed one.
    timer_->onTick({});
    timer_->stop();
}

// --- Properties --------------------------------------------------------------

void TZoomler::setMin(double x) {
    syncSize();
    logic_.setMin(x);
    update();
}

void TZoomler::setMax(double x) {
    syncSize();
    logic_.setMax(x);
    update();
}

void TZoomler::setStart(double x) {
    syncSize();
    logic_.setStart(x);
    update();
}

void TZoomler::setFinish(double x) {
    syncSize();
    logic_.setFinish(x);
    update();
}

void TZoomler::setStep(double x) { logic_.setStep(x); }

void TZoomler::setSetStepAuto(bool on) { logic_.setStepAuto(on); }

void TZoomler::setDblClkEnable(bool on) { logic_.setDblClkEnable(on); }

void TZoomler::setOrientation(TOrientation o) {
    syncSize();
    logic_.setOrientation(o);
    // The resize arrows turn with the bar: let the next move choose again.
    cursor_ = ZoomlerCursor::Default;
    unsetCursor();
    if (o == TOrientation::Horizontal) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    updateGeometry();
    update();
}

void TZoomler::SetRange(double min, double max, double start, double finish) {
    syncSize();
    logic_.setRange(min, max, start, finish);
    update();
}

void TZoomler::SetWindow(double start, double finish) {
    syncSize();
    logic_.setWindow(start, finish);
    update();
}

QSize TZoomler::sizeHint() const {
    return Orientation() == TOrientation::Horizontal ? QSize(200, 14) : QSize(14, 200);
}

// --- Painting ----------------------------------------------------------------

void TZoomler::syncSize() {
    // A hidden widget gets its resize event only when it is shown; the values
    // and the pointer must meet the size the bar has now.
    if (logic_.width() != width() || logic_.height() != height()) {
        logic_.setSize(width(), height());
    }
}

void TZoomler::renderBitmap() {
    syncSize();
    logic_.updateGeometry();
    if (bitmap_.size() != size()) {
        bitmap_ = QImage(size(), QImage::Format_RGB32);
    }
    if (bitmap_.isNull()) {
        return;
    }
    // The active group's shadow colour also for a disabled bar: it looks the same.
    const std::array<QColor, 5> colours{QColor(QRgb(kordel::kFaceRgb)), QColor(QRgb(kordel::kLightRgb)),
                                        palette().color(QPalette::Active, QPalette::Shadow),
                                        QColor(QRgb(kordel::kTrackRgb)), QColor(QRgb(kordel::kMarkRgb))};
    QPainter painter(&bitmap_);
    BitmapCanvas canvas(painter, Orientation() == TOrientation::Vertical, colours);
    logic_.paint(canvas);
}

void TZoomler::paintEvent(QPaintEvent*) {
    renderBitmap();
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap_);
}

void TZoomler::resizeEvent(QResizeEvent* event) {
    syncSize();
    QWidget::resizeEvent(event);
}

// --- Mouse -------------------------------------------------------------------

void TZoomler::report(ZoomlerNotice notice) {
    switch (notice) {
        case ZoomlerNotice::Scrolling:
            emit OnScrolling(this);
            break;
        case ZoomlerNotice::Zooming:
            emit OnZooming(this);
            break;
        case ZoomlerNotice::Changed:
            emit OnChanged(this);
            break;
        case ZoomlerNotice::None:
            break;
    }
}

void TZoomler::showCursor(ZoomlerCursor cursor) {
    if (cursor == cursor_) {
        return;
    }
    cursor_ = cursor;
    switch (cursor) {
        case ZoomlerCursor::Resize:
            setCursor(Orientation() == TOrientation::Horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
            break;
        case ZoomlerCursor::Hand:
            setCursor(Qt::PointingHandCursor);
            break;
        case ZoomlerCursor::Default:
            unsetCursor();
            break;
    }
}

void TZoomler::press(QMouseEvent* event) {
    syncSize();
    const ZoomlerNotice notice = logic_.mouseDown(pressOf(event));
    update();
    report(notice);
}

void TZoomler::mousePressEvent(QMouseEvent* event) {
    // Every button presses; the toolkit holds the mouse for the bar until the
    // release, so moves and the release arrive even outside it.
    event->accept();
    pressPending_ = true;
    lastPressTime_ = event->timestamp();
    lastPressButton_ = event->button();
    press(event);
}

void TZoomler::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    syncSize();
    const QPoint p = pixelOf(event);
    const kordel::ZoomlerMove move = logic_.mouseMove(p.x(), p.y());
    showCursor(move.cursor);
    if (move.notice != ZoomlerNotice::None) {
        update();
        report(move.notice);
    }
}

void TZoomler::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    pressPending_ = false;
    syncSize();
    const ZoomlerNotice notice = logic_.mouseUp();
    update();
    report(notice);
}

void TZoomler::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    // The second click is a press like any other. Qt 6.4 delivers it only as
    // this double-click event; should a press of its own have come just before
    // (same time, same button, no release since), it is not handled twice.
    const bool pressDelivered =
        pressPending_ && lastPressTime_ == event->timestamp() && lastPressButton_ == event->button();
    if (!pressDelivered) {
        pressPending_ = true;
        lastPressTime_ = event->timestamp();
        lastPressButton_ = event->button();
        press(event);
    }
    const ZoomlerNotice notice = logic_.doubleClick();
    if (notice != ZoomlerNotice::None) {
        update();
        report(notice);
    }
}

void TZoomler::repeatTick() {
    syncSize();
    const ZoomlerNotice notice = logic_.repeatTick();
    update();
    report(notice);
}

void TZoomler::releaseLost() {
    if (!logic_.held()) {
        return;
    }
    // Silent: the drag's steps have been reported already, and a hide may come
    // from the destruction of the window that holds the host's handlers.
    logic_.mouseUp();
    update();
}

void TZoomler::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        releaseLost();
    }
}

void TZoomler::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    releaseLost();
}
