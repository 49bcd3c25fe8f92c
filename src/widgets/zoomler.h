#pragma once
// TZoomler, the range bar: a slim bar that shows a window [Start, Finish] of a
// range [Min, Max] as a thumb on a track, with an arrow button at each end. The
// user scrolls the window by dragging the thumb's body, by clicking or holding
// an arrow, or by clicking the track beside the thumb, and zooms by dragging
// either end of the thumb. The host reads Start and Finish when the bar reports:
//   OnScrolling  at every drag step of the thumb's body,
//   OnZooming    at every drag step of either end,
//   OnChanged    after each arrow step (repeats included), each track click,
//                the double-click reset, and at the release that ends a drag.
// Programmatic changes (the setters, SetRange, SetWindow) report nothing.
//
// The values, the thumb's geometry and the hit zones live in
// kordel::ZoomlerLogic; this class turns mouse events into its calls, emits the
// notices, and paints. The whole bar is drawn into an off-screen bitmap of the
// control's size, which is then copied onto the control in one operation.
// A disabled bar takes no mouse input and looks the same.

#include <QImage>
#include <QWidget>
#include <memory>

#include "widgets/repeattimer.h"
#include "widgets/zoomlerlogic.h"

using kordel::TOrientation;

class TZoomler : public QWidget {
    Q_OBJECT
    // The designer's properties, in the order a host applies stored values: a
    // Step given after Start and Finish replaces the one SetStepAuto made.
    Q_PROPERTY(double Min READ Min WRITE setMin)
    Q_PROPERTY(double Max READ Max WRITE setMax)
    Q_PROPERTY(double Start READ Start WRITE setStart)
    Q_PROPERTY(double Finish READ Finish WRITE setFinish)
    Q_PROPERTY(double Step READ Step WRITE setStep)
    Q_PROPERTY(bool SetStepAuto READ SetStepAuto WRITE setSetStepAuto)
    Q_PROPERTY(bool DblClkEnable READ DblClkEnable WRITE setDblClkEnable)
    Q_PROPERTY(int Tag READ Tag WRITE setTag)

public:
    // Without a timer of its own the bar repeats its arrows with a QTimer;
    // tests pass one they drive by hand. The bar owns the timer.
    explicit TZoomler(QWidget* parent = nullptr, std::unique_ptr<kordel::RepeatTimer> timer = nullptr);
    ~TZoomler() override;

    double Min() const { return logic_.min(); }
    double Max() const { return logic_.max(); }
    double Start() const { return logic_.start(); }
    double Finish() const { return logic_.finish(); }
    double Step() const { return logic_.step(); }
    bool SetStepAuto() const { return logic_.stepAuto(); }
    bool DblClkEnable() const { return logic_.dblClkEnable(); }
    TOrientation Orientation() const { return logic_.orientation(); }
    int Tag() const { return tag_; }

    // Min below Max, else Max - Step; Start, Finish and Step stay.
    void setMin(double x);
    // Max above Min, else Min + Step; Start, Finish and Step stay.
    void setMax(double x);
    // Start below Finish (else Finish - Step), not below Min; then SetStepAuto.
    void setStart(double x);
    // Finish above Start (else Start + Step), not above Max; then SetStepAuto.
    void setFinish(double x);
    // The amount of one arrow step, stored as given.
    void setStep(double x);
    // When on, every change of the window through SetRange, SetWindow, Start,
    // Finish, a track click or a drag sets Step to (Finish - Start) * 2/3.
    void setSetStepAuto(bool on);
    // A double click resets the window to the whole range.
    void setDblClkEnable(bool on);
    void setOrientation(TOrientation o);
    void setTag(int tag) { tag_ = tag; }

    // All four stored unchanged, without any check; then SetStepAuto. No notice.
    void SetRange(double min, double max, double start, double finish);
    // Start raised to Min and Finish lowered to Max where they lie outside;
    // then SetStepAuto. No notice.
    void SetWindow(double start, double finish);

    // Draws the whole bar into the off-screen bitmap (what every paint does
    // before it copies the bitmap onto the control).
    void renderBitmap();
    const QImage& bitmap() const { return bitmap_; }
    const kordel::ZoomlerLogic& logic() const { return logic_; }

    QSize sizeHint() const override;

signals:
    void OnScrolling(TZoomler* sender);
    void OnZooming(TZoomler* sender);
    void OnChanged(TZoomler* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void syncSize();
    void press(QMouseEvent* event);
    void repeatTick();
    // The release can no longer reach the bar (disabled or hidden while a
    // button is held): end the repeat or the drag without a notice.
    void releaseLost();
    void report(kordel::ZoomlerNotice notice);
    void showCursor(kordel::ZoomlerCursor cursor);

    std::unique_ptr<kordel::RepeatTimer> timer_;
    kordel::ZoomlerLogic logic_;
    QImage bitmap_;
    int tag_ = 0;
    kordel::ZoomlerCursor cursor_ = kordel::ZoomlerCursor::Default;
    // The last press not yet released, to tell whether a double click's press
    // was delivered on its own already or comes only with the double click.
    quint64 lastPressTime_ = 0;
    Qt::MouseButton lastPressButton_ = Qt::NoButton;
    bool pressPending_ = false;
};
