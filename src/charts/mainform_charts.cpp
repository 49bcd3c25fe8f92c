// The main window's charts: clearing, samples in, zoom, scroll, the chart
// selection, the cursor lines and the cursor read-out. The
// handlers read their controls, call the chart logic and show the result.

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include "app/mainform.h"
#include "charts/channelchart.h"
#include "charts/chartlogic.h"
#include "charts/readout.h"
#include "charts/statisticswindow.h"
#include "files/datafilereader.h"
#include "record/rangesummary.h"
#include "record/totalfield.h"
#include "widgets/zoomler.h"

namespace {

std::optional<kordel::ScrollKey> scrollKeyOf(int key) {
    switch (key) {
    case Qt::Key_PageUp:
        return kordel::ScrollKey::PageUp;
    case Qt::Key_PageDown:
        return kordel::ScrollKey::PageDown;
    case Qt::Key_Left:
        return kordel::ScrollKey::Left;
    case Qt::Key_Right:
        return kordel::ScrollKey::Right;
    case Qt::Key_Home:
        return kordel::ScrollKey::Home;
    case Qt::Key_End:
        return kordel::ScrollKey::End;
    default:
        return std::nullopt;
    }
}

}  // namespace

TZoomler* TMainForm::XZoomlerBar() const { return static_cast<TZoomler*>(XZoomler); }

TZoomler* TMainForm::ZoomlerBar(int channel) const { return static_cast<TZoomler*>(Zoomler[channel]); }

int TMainForm::cursorLinePosition(int chart) const { return Chart[chart]->cursorLine(); }

void TMainForm::replotCharts(bool immediate) {
    for (ChannelChart* c : Chart) {
        if (c->replotPending()) {
            c->replotNow(immediate);
        }
    }
}

// ---- series ----

void TMainForm::ClearCharts() {
    for (ChannelChart* c : Chart) {
        c->clearSeries();
    }
    // The read-out belongs to the points just removed.
    StatusPanel[2]->clear();
}

void TMainForm::appendSample(double x, const std::array<double, 5>& values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
        Chart[k]->appendPoint(x, values[k]);
    }
    Chart[kTotalField]->appendPoint(x, kordel::totalFieldValue(values[0], values[1], values[2]));
    updateStatistics();  // the live window moves with every sample
}

void TMainForm::dropOldestSample() {
    for (ChannelChart* c : Chart) {
        c->dropFirstPoint();
    }
}

void TMainForm::appendSeries(const kordel::SeriesData& data) {
    // The charts keep X ascending; the lines of a file out of order are placed
    // by their X, lines of equal X in the order of the file.
    std::vector<std::size_t> order;
    const bool ascending = std::is_sorted(data.x.begin(), data.x.end());
    if (!ascending) {
        order.resize(data.x.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return data.x[a] < data.x[b]; });
    }
    for (std::size_t k = 0; k < data.y.size(); ++k) {
        Chart[k]->appendPoints(data.x, data.y[k], ascending ? nullptr : &order);
    }
    std::vector<double> f(data.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        f[i] = kordel::totalFieldValue(data.y[0][i], data.y[1][i], data.y[2][i]);
    }
    Chart[kTotalField]->appendPoints(data.x, f, ascending ? nullptr : &order);
}

void TMainForm::showRecord(const std::shared_ptr<const kordel::Record>& record) {
    for (int k = 0; k < kChannels; ++k) {
        const auto channel = k == kTotalField ? record->findChannel("F") : std::optional<std::size_t>(k);
        Chart[k]->showRecord(record, channel.value_or(record->channelCount()));
    }
    redrawCursorLines();
}

// ---- zoom bars and keys ----

void TMainForm::FitZoomBars() {
    // SetRange raises no change event: the axes stay automatic and already
    // show all data; the first movement of a bar fixes its axes.
    const kordel::BarValues t = kordel::fitTimeBar(Chart[0]->minX(), Chart[0]->maxX());
    XZoomlerBar()->SetRange(t.min, t.max, t.start, t.finish);
    for (int k = 0; k < kChannels; ++k) {
        const kordel::BarValues v = kordel::fitValueBar(Chart[k]->minY(), Chart[k]->maxY());
        ZoomlerBar(k)->SetRange(v.min, v.max, v.start, v.finish);
    }
    updateStatistics();
    redrawCursorLines();
}

void TMainForm::XZoomlerChanged() {
    const TZoomler* bar = XZoomlerBar();
    for (ChannelChart* c : Chart) {
        c->setTimeAxis(bar->Start(), bar->Finish());
    }
    fitValuesToTimeWindow();
    updateStatistics();
    redrawCursorLines();
}

void TMainForm::Zoomler0Changed(int channel) {
    const TZoomler* bar = ZoomlerBar(channel);
    const kordel::AxisRange r = kordel::mirroredWindow(bar->Min(), bar->Max(), bar->Start(), bar->Finish());
    Chart[channel]->setValueAxis(r.min, r.max);
}

void TMainForm::ShowAll() {
    TZoomler* time = XZoomlerBar();
    time->SetWindow(time->Min(), time->Max());
    for (int k = 0; k < kChannels; ++k) {
        Chart[k]->setTimeAxis(time->Start(), time->Finish());
        TZoomler* bar = ZoomlerBar(k);
        bar->SetWindow(bar->Min(), bar->Max());
        Chart[k]->setValueAxis(bar->Start(), bar->Finish());
    }
    updateStatistics();
    redrawCursorLines();
}

void TMainForm::SpeedButton10Click() { ShowAll(); }

// ---- the live view ----

bool TMainForm::followingLive() const { return linkState() == Recording && !PauseButton->isChecked(); }

void TMainForm::PauseButtonClick() {
    const bool paused = PauseButton->isChecked();
    if (paused) {
        // The window shown now stays while the points go on arriving.
        const kordel::AxisRange shown = Chart[0]->timeAxis();
        for (ChannelChart* c : Chart) {
            c->setTimeAxis(shown.min, shown.max);
        }
        fitLiveTimeBar();
    } else {
        EraseCursorLines();
        for (ChannelChart* c : Chart) {
            c->followData();
        }
    }
    if (linkState() == Recording) {
        // Paused, the live window is the bar's and the read-out's to move and read.
        XZoomler->setEnabled(paused);
        CrossMouseCB->setEnabled(paused);
        if (!paused) {
            CrossMouseCB->setChecked(false);
        }
    }
    updateStatistics();
}

void TMainForm::fitLiveTimeBar() {
    if (Chart[0]->pointCount() == 0) {
        return;
    }
    const kordel::BarValues t = kordel::fitTimeBar(Chart[0]->minX(), Chart[0]->maxX());
    const kordel::AxisRange shown = Chart[0]->timeAxis();
    // SetRange raises no change event: the frozen axes stay as they are.
    XZoomlerBar()->SetRange(t.min, t.max, std::max(shown.min, t.min), std::min(shown.max, t.max));
}

// ---- Auto Y ----

void TMainForm::AutoYCBClick() { fitValuesToTimeWindow(); }

void TMainForm::fitValuesToTimeWindow() {
    if (!AutoYCB->isChecked()) {
        return;
    }
    for (int k = 0; k < kChannels; ++k) {
        const ChannelChart* c = Chart[k];
        const kordel::AxisRange t = c->timeAxis();
        std::optional<std::pair<double, double>> extent;
        if (const kordel::Record* record = c->record()) {
            const auto toMs = [](double x) { return static_cast<std::int64_t>(std::llround(x * kordel::Record::kMsPerDay)); };
            const auto channel = k == kTotalField ? record->findChannel("F") : std::optional<std::size_t>(k);
            if (channel && std::fabs(t.min) < 3.0e6 && std::fabs(t.max) < 3.0e6) {
                if (const auto s = kordel::windowStatistics(*record, *channel, toMs(t.min), toMs(t.max))) {
                    extent = std::pair(s->min, s->max);
                }
            }
        } else {
            // The live window: a few hundred points.
            for (std::size_t i = 0; i < c->pointCount(); ++i) {
                const double x = c->xAt(i), y = c->yAt(i);
                if (x >= t.min && x <= t.max && !std::isnan(y)) {
                    extent = extent ? std::pair(std::min(extent->first, y), std::max(extent->second, y)) : std::pair(y, y);
                }
            }
        }
        if (!extent) {
            continue;  // nothing visible: the window stays
        }
        // The bar's window spans what the window shows, as FitZoomBars does for the whole record.
        const kordel::BarValues v = kordel::fitValueBar(extent->first, extent->second);
        TZoomler* bar = ZoomlerBar(k);
        if (v.start < bar->Min() || v.finish > bar->Max()) {
            bar->SetRange(std::min(v.start, bar->Min()), std::max(v.finish, bar->Max()), bar->Start(), bar->Finish());
        }
        const double sum = bar->Min() + bar->Max();
        bar->SetWindow(sum - v.finish, sum - v.start);
        Zoomler0Changed(k);
    }
}

// ---- statistics ----

void TMainForm::Statistics1Click() {
    if (!Statistics) {
        Statistics = new TStatistics(this);
    }
    Statistics->show();
    Statistics->raise();
    updateStatistics();
}

void TMainForm::updateStatistics() {
    if (!Statistics || !Statistics->isVisible()) {
        return;
    }
    std::vector<TStatistics::Row> rows;
    for (int k = 0; k < kChannels; ++k) {
        if (!layout_.shown(k)) {
            continue;
        }
        const ChannelChart* c = Chart[k];
        TStatistics::Row row{c->yAxis->label(), k == 3 || k == 4 ? 1 : 2, std::nullopt};
        const kordel::AxisRange t = c->timeAxis();
        if (const kordel::Record* record = c->record()) {
            const auto channel = k == kTotalField ? record->findChannel("F") : std::optional<std::size_t>(k);
            const auto toMs = [](double x) { return static_cast<std::int64_t>(std::llround(x * kordel::Record::kMsPerDay)); };
            if (channel && std::fabs(t.min) < 3.0e6 && std::fabs(t.max) < 3.0e6) {
                row.stats = kordel::windowStatistics(*record, *channel, toMs(t.min), toMs(t.max));
            }
        } else {
            std::vector<double> values;
            for (std::size_t i = 0; i < c->pointCount(); ++i) {
                if (c->xAt(i) >= t.min && c->xAt(i) <= t.max) values.push_back(c->yAt(i));
            }
            row.stats = kordel::statisticsOf(values);
        }
        rows.push_back(row);
    }
    Statistics->showRows(rows);
}

// ---- mouse zoom ----

void TMainForm::setTimeWindow(double start, double finish) {
    TZoomler* bar = XZoomlerBar();
    start = std::max(start, bar->Min());
    finish = std::min(finish, bar->Max());
    if (!(finish > start)) {
        return;
    }
    bar->SetWindow(start, finish);
    XZoomlerChanged();
}

void TMainForm::setValueWindow(int chart, double low, double high) {
    // The value bar's window is the axis's mirrored within the bar's range.
    TZoomler* bar = ZoomlerBar(chart);
    const double sum = bar->Min() + bar->Max();
    const double start = std::max(sum - high, bar->Min());
    const double finish = std::min(sum - low, bar->Max());
    if (!(finish > start)) {
        return;
    }
    bar->SetWindow(start, finish);
    Zoomler0Changed(chart);
}

void TMainForm::ChartWheel(int chart, int x, int y, int delta) {
    // The live axes follow the newest samples: like the keys, the mouse leaves
    // them alone unless the view is paused.
    if (followingLive() || Chart[0]->pointCount() == 0) {
        return;
    }
    const ChannelChart* c = Chart[chart];
    const double factor = std::pow(0.8, delta / 120.0);  // a notch away from the user: 80 %
    if (x < c->plotRect().left()) {
        const kordel::AxisRange r = c->valueAxis();
        const double v = c->yAxis->pixelToCoord(y);
        setValueWindow(chart, v - (v - r.min) * factor, v + (r.max - v) * factor);
        return;
    }
    const kordel::AxisRange r = c->timeAxis();
    const double t = c->timeAtPixel(x);
    setTimeWindow(t - (t - r.min) * factor, t + (r.max - t) * factor);
}

void TMainForm::ChartBox(int chart, const QRect& box) {
    if (followingLive() || Chart[0]->pointCount() == 0) {
        return;
    }
    const ChannelChart* c = Chart[chart];
    const double low = c->yAxis->pixelToCoord(box.bottom());
    const double high = c->yAxis->pixelToCoord(box.top());
    setTimeWindow(c->timeAtPixel(box.left()), c->timeAtPixel(box.right()));
    setValueWindow(chart, low, high);
}

void TMainForm::ChartDoubleClick() {
    if (!followingLive() && Chart[0]->pointCount() > 0) {
        ShowAll();
    }
}

void TMainForm::SpeedButton9Click() {
    EraseCursorLines();
    LayoutChannels();
    redrawCursorLines();
}

void TMainForm::ScrollByKey(int key) {
    const auto k = scrollKeyOf(key);
    // The live axes follow the newest samples: the keys leave them alone while
    // recording, unless the view is paused (the bar then spans the live points).
    if (!k || followingLive()) {
        return;
    }
    TZoomler* bar = XZoomlerBar();
    const kordel::TimeWindow w = kordel::scrollWindow(*k, bar->Min(), bar->Max(), bar->Start(), bar->Finish());
    for (ChannelChart* c : Chart) {
        c->setTimeAxis(w.start, w.finish);
    }
    bar->SetWindow(w.start, w.finish);
    fitValuesToTimeWindow();
    updateStatistics();
    redrawCursorLines();
}

// ---- splitters ----

void TMainForm::Splitter0Pressed(int splitter) { splitterPressHeight_ = layout_.panel(splitter).height; }

void TMainForm::Splitter0Moved(int splitter, int dy) {
    layout_.setPanelHeight(splitter, layout_.dragHeight(splitter, splitterPressHeight_ + dy));
    applyLayout();
}

// ---- selection ----

void TMainForm::Chart0Click(int chart) {
    Chart[chart]->setFocus(Qt::MouseFocusReason);
    if (selectedChart_ >= 0 && selectedChart_ < kChannels && selectedChart_ != chart) {
        Chart[selectedChart_]->setLowered(false);
    }
    Chart[chart]->setLowered(true);
    selectedChart_ = chart;
}

void TMainForm::Chart0Exit() {
    Chart[0]->setLowered(false);
    selectedChart_ = -1;
}

// ---- cursor ----

void TMainForm::Chart0MouseMove(int chart, int x, int y) {
    if (!CrossMouseCB->isChecked() || currentDataFileName_ == QStringLiteral("!.pc")) {
        return;
    }
    const ChannelChart* c = Chart[chart];
    if (!c->plotRect().contains(x, y)) {
        return;
    }
    const double time = c->timeAtPixel(x);
    const kordel::AxisRange visible = c->timeAxis();
    if (const kordel::Record* record = c->record()) {
        showRecordReadout(*record, time, visible);
        return;
    }
    const auto i = kordel::pickCursorSample(
        c->pointCount(), [c](std::size_t j) { return c->xAt(j); }, visible.min, visible.max, time);
    std::array<double, 5> values{};
    bool found = i.has_value() && *i < Chart[kTotalField]->pointCount();
    for (std::size_t k = 0; found && k < values.size(); ++k) {
        found = *i < Chart[k]->pointCount();
        if (found) {
            values[k] = Chart[k]->yAt(*i);
        }
    }
    if (!found) {
        // No visible point: nothing to show. The text stays, no line is drawn.
        EraseCursorLines();
        return;
    }
    const double f = Chart[kTotalField]->yAt(*i);
    StatusPanel[2]->setText(QString::fromStdString(kordel::formatReadout(kordel::formatCursorTime(time), values, f)));
    EraseCursorLines();
    DrawCursorLines(time);
}

void TMainForm::showRecordReadout(const kordel::Record& record, double time, const kordel::AxisRange& visible) {
    const auto toMs = [](double x) {
        const double limit = static_cast<double>(kordel::Record::kTimeLimitMs);
        return static_cast<std::int64_t>(std::clamp(std::round(x * kordel::Record::kMsPerDay), -limit, limit));
    };
    const std::int64_t from = toMs(visible.min);
    const std::int64_t to = toMs(visible.max);
    const auto i = record.nearest(toMs(time), from, to);
    if (!i && record.lowerBound(from) >= record.upperBound(to)) {
        // No visible sample: nothing to show. The text stays, no line is drawn.
        EraseCursorLines();
        return;
    }
    std::string text = "Time: " + kordel::formatCursorTime(time);
    if (i) {
        // Inside a gap the read-out holds the time alone.
        std::array<double, 5> values{};
        for (std::size_t k = 0; k < values.size() && k < record.channelCount(); ++k) {
            values[k] = record.value(k, *i);
        }
        const auto f = record.findChannel("F");
        text = kordel::formatReadout(kordel::formatCursorTime(time), values,
                                     f ? record.value(*f, *i) : std::numeric_limits<double>::quiet_NaN());
    }
    StatusPanel[2]->setText(QString::fromStdString(text));
    EraseCursorLines();
    DrawCursorLines(time);
}

void TMainForm::DrawCursorLines(double x) {
    for (int k = 0; k < kChannels; ++k) {
        if (!layout_.shown(k)) {
            continue;  // a hidden chart keeps its position
        }
        const kordel::AxisRange r = Chart[k]->timeAxis();
        if (r.min < x && x < r.max) {
            Chart[k]->drawCursorLine(Chart[k]->pixelOfTime(x));
        } else {
            Chart[k]->eraseCursorLine();
        }
    }
}

void TMainForm::EraseCursorLines() {
    for (int k = 0; k < kChannels; ++k) {
        if (layout_.shown(k) && Chart[k]->cursorLine() > 0) {
            Chart[k]->eraseCursorLine();
        }
    }
}

void TMainForm::redrawCursorLines() {
    // After a change of the time axes the lines and the read-out follow the
    // mouse where it is now; off the charts, the lines go.
    EraseCursorLines();
    const QPoint global = QCursor::pos();
    for (int k = 0; k < kChannels; ++k) {
        if (!layout_.shown(k) || !Chart[k]->isVisible()) {
            continue;
        }
        const QPoint p = Chart[k]->mapFromGlobal(global);
        if (Chart[k]->rect().contains(p)) {
            Chart0MouseMove(k, p.x(), p.y());
            return;
        }
    }
}

void TMainForm::CrossMouseCBClick() {
    if (!CrossMouseCB->isChecked()) {
        EraseCursorLines();
    }
}
