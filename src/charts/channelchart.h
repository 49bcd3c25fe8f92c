#pragma once
// One channel chart: a QCustomPlot with one red line series against
// date-time X, with the channel look: the left axis titled in bold, its
// labels "#,##0.##" / "#,##0.#" with a space between thousands and a smallest
// step of 0.01 / 0.1, running from 2 % to 98 % of the plotting height; a fixed
// left axis area, so that a time lies at the same x on every chart; the bottom
// axis labelled "hh:nn:ss" with a smallest step of one second; labels in Times
// New Roman; no legend, title, right or top axis; margins of 1 %; no frame.
//
// Each axis is automatic (it follows the data the chart holds) or fixed to two
// bounds (swapped when the lower is above the upper).
//
// On top of the plot, outside QCustomPlot's paint buffers, the chart draws its
// cursor line (one pixel wide, dotted, cyan, in XOR mode, over the plotting
// rectangle's full height) and, when selected, a lowered frame. Every repaint
// composes the buffers first and the overlay after, so a replot (an axis
// change, a new live point) keeps a drawn line exactly where it was and
// erasing it gives back exactly the pixels the plot has there.
//
// Data and axis changes do not replot at once: requestReplot() coalesces them
// into one replot in the next turn of the event loop.

#include <QTimer>
#include <cstddef>
#include <memory>
#include <vector>

#include <qcustomplot.h>

#include "charts/chartlogic.h"
#include "charts/flagbands.h"
#include "record/record.h"

class ChannelGraph;
class QRubberBand;

class ChannelChart : public QCustomPlot {
    Q_OBJECT
public:
    // The pixels of the left axis's label area (labels and ticks); its title
    // lies left of it.
    static constexpr int kLabelArea = 50;

    explicit ChannelChart(int channel, QWidget* parent = nullptr);
    ~ChannelChart() override;

    // The channel number, 0 to 4 (the designer's Tag).
    int Tag() const { return channel_; }
    // "Series" + k.
    QCPGraph* series() const;

    // ---- data: X kept ascending, a point placed by its X ----
    // No points; both axes automatic again.
    void clearSeries();
    // Shows channel `channel` of a record, which the charts share: the chart
    // holds no copy of its samples but draws, at each replot, what the
    // visible window needs (every sample when they are few, otherwise the
    // extremes of each pixel column), with the record's gaps as breaks. The
    // queries below then answer from the record, at full resolution. The
    // live points (appendPoint) clear it first.
    void showRecord(std::shared_ptr<const kordel::Record> record, std::size_t channel);
    const kordel::Record* record() const { return record_.get(); }
    const std::shared_ptr<const kordel::Record>& sharedRecord() const { return record_; }
    // The shown record grew (a live or remote sample): the extent and the line
    // are taken anew at the next replot.
    void recordGrew();
    void appendPoint(double x, double y);
    void dropFirstPoint();
    // Many points at once. `order`, when given, lists the indices of x in
    // ascending X (a stable order); without it x is already ascending.
    void appendPoints(const std::vector<double>& x, const std::vector<double>& y,
                      const std::vector<std::size_t>* order = nullptr);
    std::size_t pointCount() const;
    double xAt(std::size_t i) const;
    double yAt(std::size_t i) const;
    // Smallest and largest X and Y of the series; 0 when it is empty.
    double minX() const;
    double maxX() const;
    double minY() const;
    double maxY() const;

    // The left axis's title: `caption`, or the channel's own when empty (an
    // IAGA-2002 record's channels are captioned by their element letters).
    void setCaption(const QString& caption);

    // The flagged stretches of this chart's channel, drawn behind the line.
    void setBands(std::vector<kordel::ChartBand> bands);
    const kordel::FlagBandLayer& bandLayer() const { return *bandLayer_; }

    // ---- axes ----
    void setTimeAxis(double a, double b);   // fixes the bottom axis
    void setValueAxis(double a, double b);  // fixes the left axis
    // Both axes automatic again: they follow the data the chart holds.
    void followData();
    bool timeAxisAutomatic() const { return timeAuto_; }
    bool valueAxisAutomatic() const { return valueAuto_; }
    // What the bottom axis shows, and the part of the value axis between its
    // 2 % and 98 % positions; an automatic axis shows the smallest to the
    // largest value it holds (0 to 0 when empty).
    kordel::AxisRange timeAxis() const;
    kordel::AxisRange valueAxis() const;

    // The plotting rectangle and its time axis in pixels.
    QRect plotRect() const;
    double timeAtPixel(int x) const;
    int pixelOfTime(double x) const;

    // ---- cursor line and selection frame ----
    // The pixel column of the drawn cursor line, or -1 when none is drawn.
    int cursorLine() const { return cursorLine_; }
    // Draws the line at `column` (a column of 0 or less draws none) and
    // repaints at once, as drawing on the canvas did.
    void drawCursorLine(int column);
    void eraseCursorLine();
    void setLowered(bool on);
    bool lowered() const { return lowered_; }

    // ---- replots ----
    // One replot in the next turn of the event loop, however often asked.
    void requestReplot();
    bool replotPending() const { return replotPending_; }
    // Does a pending replot now; `immediate` also repaints the widget now. A
    // hidden chart replots when it is shown again.
    void replotNow(bool immediate = false);
    // Replots done so far (tests count them).
    long replotCount() const { return replots_; }

    // The line data the graph draws for its visible part, computed by the
    // graph's own sampler or by QCPGraph's (tests compare the two).
    QVector<QCPGraphData> lineData(bool fastSampler) const;

signals:
    void Click(ChannelChart* chart);
    // The wheel turned `delta` eighths of a degree (positive away from the
    // user) with the mouse at (x, y).
    void WheelTurned(ChannelChart* chart, int x, int y, int delta, Qt::KeyboardModifiers modifiers, qint64 timestampMs);
    // A box dragged with the left button, in the chart's pixels (within the
    // plotting rectangle); such a drag is no click.
    void BoxDragged(ChannelChart* chart, const QRect& box);
    // A time range dragged with Shift held (to flag it), pixel columns within
    // the plotting rectangle; no zoom, no click.
    void RangeDragged(ChannelChart* chart, int left, int right);
    void DoubleClicked(ChannelChart* chart);
    void Exit(ChannelChart* chart);
    void MouseMove(ChannelChart* chart, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void dataChanged();
    // The graph's points for the visible window, when a record is shown and
    // the window or the width changed since the last time.
    void feedFromRecord();
    void updateAxes();
    void updateOuterMargins();
    void computeExtent() const;

    int channel_;
    ChannelGraph* graph_ = nullptr;
    QCPItemLine* axisLine_ = nullptr;
    bool timeAuto_ = true;
    bool valueAuto_ = true;
    kordel::AxisRange timeFixed_;
    kordel::AxisRange valueFixed_;
    // Smallest and largest Y, kept up to date or recomputed when stale.
    mutable bool extentValid_ = true;
    mutable double minY_ = 0;
    mutable double maxY_ = 0;

    std::shared_ptr<const kordel::Record> record_;
    std::size_t recordChannel_ = 0;
    QCPRange fedRange_;
    int fedWidth_ = -1;

    int cursorLine_ = -1;
    bool lowered_ = false;
    bool pressed_ = false;
    // A left-button drag further than a few pixels draws the zoom box.
    static constexpr int kBoxThreshold = 4;
    QPoint pressPos_;
    bool boxing_ = false;
    bool selecting_ = false;  // Shift held at the press: the drag selects a time range
    kordel::FlagBandLayer* bandLayer_ = nullptr;
    QRubberBand* band_ = nullptr;

    QTimer replotTimer_;
    bool replotPending_ = false;
    bool staleWhileHidden_ = false;
    long replots_ = 0;
};
