#include "charts/chartview.h"

#include <QCheckBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "app/settingsstore.h"
#include "app/fixedformats.h"
#include "app/settingsvalues.h"
#include "charts/channelchart.h"
#include "charts/channelsplitter.h"
#include "charts/flagbands.h"
#include "charts/readout.h"
#include "charts/statisticswindow.h"
#include "record/rangesummary.h"
#include "record/record.h"
#include "record/totalfield.h"
#include "widgets/barbutton.h"
#include "widgets/zoomler.h"

namespace kordel {

using namespace settingsvalues;

namespace {

const char* const kChannelCaptions[ChartView::kChannels] = {"B&x", "B&y", "B&z", "T&s", "T&e", "&F"};


std::optional<ScrollKey> scrollKeyOf(int key) {
    switch (key) {
    case Qt::Key_PageUp: return ScrollKey::PageUp;
    case Qt::Key_PageDown: return ScrollKey::PageDown;
    case Qt::Key_Left: return ScrollKey::Left;
    case Qt::Key_Right: return ScrollKey::Right;
    case Qt::Key_Home: return ScrollKey::Home;
    case Qt::Key_End: return ScrollKey::End;
    default: return std::nullopt;
    }
}

// A time number as the record's milliseconds, kept within what a query may name.
std::int64_t toMs(double x) {
    const double limit = static_cast<double>(Record::kTimeLimitMs);
    return static_cast<std::int64_t>(std::clamp(std::round(x * Record::kMsPerDay), -limit, limit));
}

// The record's channel drawn on chart k: the five of a data file by place, F by name.
std::optional<std::size_t> channelOfChart(const Record& record, int k) {
    if (k == ChartView::kTotalField) return record.findChannel("F");
    if (static_cast<std::size_t>(k) < record.channelCount()) return static_cast<std::size_t>(k);
    return std::nullopt;
}

// A kind's check boxes in the settings file: "H_D_Z_F:111100;…".
QString shownByKindText(const std::map<std::string, std::array<bool, ChartView::kChannels>>& shown) {
    QStringList parts;
    for (const auto& [kind, boxes] : shown) {
        QString bits;
        for (bool b : boxes) bits += b ? QLatin1Char('1') : QLatin1Char('0');
        parts << QString::fromStdString(kind) + QLatin1Char(':') + bits;
    }
    return parts.join(QLatin1Char(';'));
}

std::map<std::string, std::array<bool, ChartView::kChannels>> shownByKindOf(const QString& text) {
    std::map<std::string, std::array<bool, ChartView::kChannels>> shown;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList kv = part.split(QLatin1Char(':'));
        if (kv.size() != 2 || kv[1].size() != ChartView::kChannels || kv[0].isEmpty()) continue;
        const bool plain = std::all_of(kv[0].begin(), kv[0].end(), [](QChar c) {
            return c.isLetterOrNumber() || c == QLatin1Char('_');
        });
        if (!plain) continue;
        std::array<bool, ChartView::kChannels> boxes{};
        bool valid = true;
        for (int k = 0; k < ChartView::kChannels; ++k) {
            valid = valid && (kv[1][k] == QLatin1Char('0') || kv[1][k] == QLatin1Char('1'));
            boxes[k] = kv[1][k] == QLatin1Char('1');
        }
        if (valid) shown[kv[0].toStdString()] = boxes;
    }
    return shown;
}

const QString kShownByKindKey = QStringLiteral("ShownChannelsByKind");


}  // namespace

ChartView::ChartView(QWidget* controls, std::function<bool()> recording, std::function<bool()> hasSource,
                     QWidget* parent)
    : QWidget(parent), recording_(std::move(recording)), hasSource_(std::move(hasSource)) {
    setObjectName(QStringLiteral("PanelArea"));
    PanelArea = this;
    // Room for every panel: the window cannot be made so low that one is cut off.
    setMinimumHeight(kChannels * 24 + (kChannels - 1) * 3);
    buildControls(controls);
    buildChannelPanels();
    kind_ = Record::dataFileKind();
    const auto own = Record::dataFileChannels();
    for (int k = 0; k < kChannels; ++k) {
        channelOnChart_[k] = k;
        const ChannelInfo& info = k < static_cast<int>(own.size()) ? own[static_cast<std::size_t>(k)] : own[0];
        names_[k] = k == kTotalField ? QStringLiteral("F") : QString::fromStdString(info.name);
        units_[k] = QString::fromStdString(info.unit);
    }
}

ChartView::~ChartView() = default;

void ChartView::buildControls(QWidget* bar) {
    for (int k = 0; k < kChannels; ++k) {
        CheckBox[k] = new QCheckBox(QString::fromLatin1(kChannelCaptions[k]), bar);
        CheckBox[k]->setObjectName(QStringLiteral("CheckBox%1").arg(k));
        CheckBox[k]->setChecked(k != kTotalField);  // F is shown on demand
        connect(CheckBox[k], &QCheckBox::toggled, this, [this, k] { CheckBox0Click(k); });
    }
    PauseButton = makeBarButton(bar, "PauseButton", QStringLiteral("Pause"), QStyle::SP_MediaPause);
    PauseButton->setText(QStringLiteral("Pause"));
    PauseButton->setCheckable(true);
    PauseButton->setEnabled(false);  // until lines arrive live
    SpeedButton9 = makeBarButton(bar, "SpeedButton9", QStringLiteral("Range"), QStyle::SP_TitleBarNormalButton);
    SpeedButton10 = makeBarButton(bar, "SpeedButton10", QStringLiteral("Zoom"), QStyle::SP_TitleBarMaxButton);
    CrossMouseCB = new QCheckBox(QStringLiteral("Mouse"), bar);
    CrossMouseCB->setObjectName(QStringLiteral("CrossMouseCB"));
    AutoYCB = new QCheckBox(QStringLiteral("Auto Y"), bar);
    AutoYCB->setObjectName(QStringLiteral("AutoYCB"));
    // Toggled, not clicked: Stop releases it too.
    connect(PauseButton, &QToolButton::toggled, this, &ChartView::PauseButtonClick);
    connect(SpeedButton9, &QToolButton::clicked, this, &ChartView::SpeedButton9Click);
    connect(SpeedButton10, &QToolButton::clicked, this, &ChartView::SpeedButton10Click);
    connect(CrossMouseCB, &QCheckBox::toggled, this, &ChartView::CrossMouseCBClick);
    connect(AutoYCB, &QCheckBox::toggled, this, &ChartView::AutoYCBClick);

    auto* xBar = new TZoomler(bar);
    XZoomler = xBar;
    xBar->setObjectName(QStringLiteral("XZoomler"));
    xBar->setOrientation(TOrientation::Horizontal);
    xBar->setFixedHeight(14);
    // The time window follows the bar's scrolling, zooming and change events.
    for (auto sig : {&TZoomler::OnScrolling, &TZoomler::OnZooming, &TZoomler::OnChanged}) {
        connect(xBar, sig, this, [this](TZoomler*) { XZoomlerChanged(); });
    }
}

void ChartView::buildChannelPanels() {
    for (int k = 0; k < kChannels; ++k) {
        Panel[k] = new QWidget(this);
        Panel[k]->setObjectName(QStringLiteral("Panel%1").arg(k));
        auto* row = new QHBoxLayout(Panel[k]);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        // The vertical zoom bar with its design values, in the published
        // order (Step after Start and Finish), along the panel's left edge.
        auto* z = new TZoomler(Panel[k]);
        z->setObjectName(QStringLiteral("Zoomler%1").arg(k));
        z->setMin(1);
        z->setMax(100);
        z->setStart(30);
        z->setFinish(70);
        z->setStep(k == 0 ? 26.6666666666667 : 1);
        z->setSetStepAuto(true);
        z->setOrientation(TOrientation::Vertical);
        z->setFixedWidth(14);
        z->setTag(k);
        for (auto sig : {&TZoomler::OnScrolling, &TZoomler::OnZooming, &TZoomler::OnChanged}) {
            connect(z, sig, this, [this](TZoomler* b) { Zoomler0Changed(b->Tag()); });
        }
        Zoomler[k] = z;
        auto* chart = new ChannelChart(k, Panel[k]);
        chart->setObjectName(QStringLiteral("Chart%1").arg(k));
        connect(chart, &ChannelChart::Click, this, [this](ChannelChart* c) { Chart0Click(c->Tag()); });
        connect(chart, &ChannelChart::WheelTurned, this,
                [this](ChannelChart* c, int x, int y, int delta, Qt::KeyboardModifiers m, qint64 ms) {
                    ChartWheel(c->Tag(), x, y, delta, m, ms);
                });
        connect(chart, &ChannelChart::BoxDragged, this,
                [this](ChannelChart* c, const QRect& box) { ChartBox(c->Tag(), box); });
        connect(chart, &ChannelChart::RangeDragged, this, [this](ChannelChart* c, int left, int right) {
            emit rangeSelected(c->timeAtPixel(left), c->timeAtPixel(right), c->Tag());
        });
        connect(chart, &ChannelChart::DoubleClicked, this, [this](ChannelChart*) { ChartDoubleClick(); });
        connect(chart, &ChannelChart::MouseMove, this,
                [this](ChannelChart* c, int x, int y) { Chart0MouseMove(c->Tag(), x, y); });
        if (k == 0) {
            // Only the first chart has an exit handler.
            connect(chart, &ChannelChart::Exit, this, [this](ChannelChart*) { Chart0Exit(); });
        }
        Chart[k] = chart;
        row->addWidget(Zoomler[k]);
        row->addWidget(Chart[k], 1);
        Panel[k]->hide();
    }
    for (int k = 0; k < kChannels - 1; ++k) {
        auto* splitter = new ChannelSplitter(k, this);
        splitter->setObjectName(QStringLiteral("Splitter%1").arg(k));
        connect(splitter, &ChannelSplitter::DragStarted, this,
                [this](ChannelSplitter* s) { Splitter0Pressed(s->Tag()); });
        connect(splitter, &ChannelSplitter::Dragged, this,
                [this](ChannelSplitter* s, int dy) { Splitter0Moved(s->Tag(), dy); });
        Splitter[k] = splitter;
        Splitter[k]->hide();
    }
}

TZoomler* ChartView::XZoomlerBar() const { return static_cast<TZoomler*>(XZoomler); }

TZoomler* ChartView::ZoomlerBar(int channel) const { return static_cast<TZoomler*>(Zoomler[channel]); }

int ChartView::cursorLinePosition(int chart) const { return Chart[chart]->cursorLine(); }

void ChartView::replotCharts(bool immediate) {
    flushLive();
    for (ChannelChart* c : Chart) {
        if (c->replotPending()) c->replotNow(immediate);
    }
}

// ---- panels ----

void ChartView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout_.resize(height());
    applyLayout();
}

void ChartView::LayoutChannels() {
    std::array<bool, kChannels> checked{};
    for (int k = 0; k < kChannels; ++k) checked[k] = CheckBox[k]->isChecked();
    layout_.layout(checked, height());
    applyLayout();
}

void ChartView::applyLayout() {
    const int w = width();
    int lowest = -1;
    for (int k = 0; k < kChannels; ++k) {
        const Strip& p = layout_.panel(k);
        Panel[k]->setGeometry(0, p.top, w, p.height);
        Panel[k]->setVisible(p.shown);
        if (p.shown) lowest = k;
    }
    // The clock the times are in is named once, under the lowest time axis.
    for (int k = 0; k < kChannels; ++k) {
        const QString label = k == lowest ? instrumentClockName() : QString();
        if (Chart[k]->xAxis->label() != label) {
            Chart[k]->xAxis->setLabel(label);
            Chart[k]->requestReplot();
        }
    }
    for (int k = 0; k < kChannels - 1; ++k) {
        // The splitter's grab area reaches kSplitterGrip pixels over the panels
        // on each side (their 1 % margins), so a drag meant for it does not
        // fall on a chart and become a box zoom.
        const Strip& s = layout_.splitter(k);
        Splitter[k]->setGeometry(0, s.top - kSplitterGrip, w, s.height + 2 * kSplitterGrip);
        Splitter[k]->setVisible(s.shown);
        Splitter[k]->raise();
    }
}

void ChartView::CheckBox0Click(int channel) {
    if (!CheckBox[channel]->isChecked() && layout_.count() < 2) {
        // The last shown channel cannot be switched off; checking it again runs
        // this handler once more, for the checked box.
        CheckBox[channel]->setChecked(true);
        return;
    }
    LayoutChannels();
    updateStatistics();
}

void ChartView::Splitter0Pressed(int splitter) { splitterPressHeight_ = layout_.panel(splitter).height; }

void ChartView::Splitter0Moved(int splitter, int dy) {
    layout_.setPanelHeight(splitter, layout_.dragHeight(splitter, splitterPressHeight_ + dy));
    applyLayout();
}

void ChartView::SpeedButton9Click() {
    EraseCursorLines();
    LayoutChannels();
    redrawCursorLines();
}

// ---- state and settings ----

ChartViewState ChartView::state() const {
    ChartViewState s;
    s.time = Chart[0]->timeAxis();
    for (int k = 0; k < kChannels; ++k) {
        s.values[k] = Chart[k]->valueAxis();
        s.shown[k] = layout_.shown(k);
        s.heights[k] = Chart[k]->height();
        s.names[k] = names_[k];
        s.units[k] = units_[k];
        s.captions[k] = Chart[k]->yAxis->label();
        s.channels[k] = channelOnChart_[k];
    }
    s.chartWidth = Chart[0]->width();
    s.autoY = AutoYCB->isChecked();
    s.timeReference = instrumentClockName();
    s.size = size();
    return s;
}

std::shared_ptr<const Record> ChartView::shownRecord() const { return Chart[0]->sharedRecord(); }

bool ChartView::showsRecord() const {
    const std::shared_ptr<const Record> shown = shownRecord();
    return shown != nullptr && !shown->empty();
}

std::array<bool, ChartView::kChannels> ChartView::checkedBoxes() const {
    std::array<bool, kChannels> checked{};
    for (int k = 0; k < kChannels; ++k) checked[k] = CheckBox[k]->isChecked();
    return checked;
}

void ChartView::setCheckedBoxes(const std::array<bool, kChannels>& checked) {
    // All at once: one at a time, the rule that keeps the last chart shown
    // would refuse a step on the way.
    for (int k = 0; k < kChannels; ++k) {
        const QSignalBlocker quiet(CheckBox[k]);
        CheckBox[k]->setChecked(checked[k] && channelOnChart_[k] >= 0);
    }
    if (!std::any_of(CheckBox.begin(), CheckBox.end(), [](const QCheckBox* b) { return b->isChecked(); })) {
        // Nothing of the remembered choice is there: the first channel is shown.
        for (int k = 0; k < kChannels; ++k) {
            if (channelOnChart_[k] < 0) continue;
            const QSignalBlocker quiet(CheckBox[k]);
            CheckBox[k]->setChecked(true);
            break;
        }
    }
    LayoutChannels();
}

void ChartView::takeChannels(const Record& record, bool elements) {
    const std::string kind = record.kind();
    const bool own = kind == Record::dataFileKind();
    for (int k = 0; k < kChannels; ++k) {
        std::optional<std::size_t> c;
        if (elements) {
            if (k < 4 && static_cast<std::size_t>(k) < record.channelCount()) c = static_cast<std::size_t>(k);
        } else {
            c = channelOfChart(record, k);
        }
        // Our own files' F is computed when it is asked for: its box stays.
        if (own && k == kTotalField) c = c.value_or(record.channelCount());
        channelOnChart_[k] = c ? static_cast<int>(*c) : -1;
        const bool present = c && *c < record.channelCount();
        names_[k] = present ? QString::fromStdString(record.channel(*c).name) : (own && k == kTotalField ? QStringLiteral("F") : QString());
        units_[k] = present ? QString::fromStdString(record.channel(*c).unit) : (own && k == kTotalField ? QStringLiteral("nT") : QString());
        CheckBox[k]->setText(own ? QString::fromLatin1(kChannelCaptions[k]) : names_[k]);
        CheckBox[k]->setVisible(own || present);
        Chart[k]->setCaption(own || !present ? QString() : names_[k] + QStringLiteral(", ") + units_[k]);
    }
    applyFlagBands();
    if (kind == kind_) return;
    shownByKind_[kind_] = checkedBoxes();
    kind_ = kind;
    std::array<bool, kChannels> checked{};
    if (const auto it = shownByKind_.find(kind); it != shownByKind_.end()) {
        checked = it->second;
    } else {
        for (int k = 0; k < kChannels; ++k) checked[k] = channelOnChart_[k] >= 0 && !(own && k == kTotalField);
    }
    setCheckedBoxes(checked);
}

void ChartView::restoreSettings(const SettingsStore& settings, const QString& section) {
    for (int k = 0; k < kChannels; ++k) {
        if (const auto h = toInt(settings.value(section, QStringLiteral("Panel%1_Height").arg(k)))) {
            layout_.setPanelHeight(k, *h);
        }
    }
    applyLayout();
    // A check box set to another state runs its handler, as a click would.
    if (const auto b = toBool(settings.value(section, QStringLiteral("CrossMouseCB_Checked")))) {
        CrossMouseCB->setChecked(*b);
    }
    if (const auto b = toBool(settings.value(section, QStringLiteral("AutoYCB_Checked")))) {
        AutoYCB->setChecked(*b);
    }
    for (int k = 0; k < kChannels; ++k) {
        if (const auto b = toBool(settings.value(section, QStringLiteral("CheckBox%1_Checked").arg(k)))) {
            CheckBox[k]->setChecked(*b);
        }
    }
    for (const auto& [kind, boxes] : shownByKindOf(settings.value(section, kShownByKindKey).value_or(QString()))) {
        if (kind != kind_) shownByKind_[kind] = boxes;
    }
}

void ChartView::saveSettings(SettingsStore& s, const QString& section) const {
    for (int k = 0; k < kChannels; ++k) {
        s.setValue(section, QStringLiteral("Panel%1_Height").arg(k), QString::number(Panel[k]->height()));
    }
    s.setValue(section, QStringLiteral("CrossMouseCB_Checked"), fromBool(CrossMouseCB->isChecked()));
    s.setValue(section, QStringLiteral("AutoYCB_Checked"), fromBool(AutoYCB->isChecked()));
    // The check boxes' own keys keep our daily files' choice, whatever is shown
    // at the end; every other kind of record keeps its own under one key.
    auto shown = shownByKind_;
    shown[kind_] = checkedBoxes();
    const auto own = shown.find(Record::dataFileKind());
    for (int k = 0; k < kChannels; ++k) {
        const bool checked = own != shown.end() ? own->second[k] : CheckBox[k]->isChecked();
        s.setValue(section, QStringLiteral("CheckBox%1_Checked").arg(k), fromBool(checked));
    }
    if (own != shown.end()) shown.erase(own);
    s.setValue(section, kShownByKindKey, shownByKindText(shown));
}

// ---- the data shown ----

void ChartView::ClearCharts() {
    live_.reset();
    liveFull_ = false;
    for (ChannelChart* c : Chart) c->clearSeries();
    // The read-out belongs to the points just removed.
    emit readoutChanged(QString());
}

void ChartView::appendSample(double x, const std::array<double, 5>& values) {
    if (liveFull_) return;
    try {
        if (!live_) {
            auto record = std::make_shared<Record>(Record::dataFileChannels());
            const ChannelInfo bx = record->channel(0);
            record->addChannel(ChannelInfo{"F", bx.unit, bx.decimals}, {});
            record->finish();
            live_ = record;
            for (int k = 0; k < kChannels; ++k) {
                Chart[k]->showRecord(live_, channelOfChart(*live_, k).value_or(live_->channelCount()));
            }
            takeChannels(*live_, false);
        }
        std::array<std::int32_t, 6> raw{};
        const auto scaled = [this](std::size_t c, double v) {
            const double r = std::round(v * live_->scale(c));
            return std::isfinite(r) && std::fabs(r) < 2.0e9 ? static_cast<std::int32_t>(r) : Record::kMissing;
        };
        for (std::size_t k = 0; k < values.size(); ++k) raw[k] = scaled(k, values[k]);
        raw[5] = scaled(5, totalFieldValue(values[0], values[1], values[2]));
        live_->add(toMs(x), raw);
    } catch (const std::bad_alloc&) {
        // What was drawn stays; the daily file goes on receiving every line.
        liveFull_ = true;
        emit failed(QStringLiteral("Not enough memory to draw more live samples; they are still recorded."));
        return;
    }
    latestX_ = x;
    latestValues_ = values;
    scheduleLiveUpdate();
}

void ChartView::scheduleLiveUpdate() {
    if (liveTimer_ == nullptr) {
        liveTimer_ = new QTimer(this);
        liveTimer_->setSingleShot(true);
        connect(liveTimer_, &QTimer::timeout, this, &ChartView::updateLive);
        sinceLiveUpdate_.start();
    }
    if (liveTimer_->isActive()) return;
    // Lines that arrive faster than the eye can follow are drawn together: at
    // most one update of the view per kLiveFrameMs, and none before the
    // event loop's turn, however many samples came in it. Every sample is in
    // the record already; only the drawing waits.
    const qint64 since = sinceLiveUpdate_.elapsed();
    liveTimer_->start(static_cast<int>(std::max<qint64>(0, kLiveFrameMs - since)));
}

void ChartView::flushLive() {
    if (liveTimer_ == nullptr || !liveTimer_->isActive()) return;
    liveTimer_->stop();
    updateLive();
}

void ChartView::updateLive() {
    sinceLiveUpdate_.restart();
    if (!live_) return;
    // Late samples (a station's replay) join the line here, in one move.
    if (live_->pendingCount() > 0) live_->settle();
    for (ChannelChart* c : Chart) c->recordGrew();
    if (paused()) {
        fitLiveTimeBar();  // the keys and the bar reach the newest samples
    } else {
        followLatest();
    }
    updateStatistics();  // the live window moves with the samples
    emitLatestSample();
}

void ChartView::emitLatestSample() {
    if (!live_ || live_->empty()) return;
    const CivilDateTime t = fromDateTimeNumber(latestX_);
    const auto& v = latestValues_;
    // Paused, the panel says so: the charts stand still while the lines go on.
    const std::string text = formatLatestSample(t.hour, t.minute, t.second, v, totalFieldValue(v[0], v[1], v[2]));
    emit latestSampleChanged(QString::fromStdString(paused() ? "Paused  " + text : text));
}

void ChartView::followLatest() {
    if (!live_ || live_->empty()) return;
    const std::size_t n = live_->size();
    const std::size_t first = n > kLiveWindow ? n - kLiveWindow : 0;
    const double from = live_->timeNumber(first);
    const double to = live_->timeNumber(n - 1);
    // The time bar follows too: the whole day held, its window the newest samples.
    const BarValues bar = fitTimeBar(live_->timeNumber(0), to);
    XZoomlerBar()->SetRange(bar.min, bar.max, std::max(from, bar.min), std::min(to, bar.max));
    for (int k = 0; k < kChannels; ++k) {
        Chart[k]->setTimeAxis(from, to);
        const auto channel = channelOfChart(*live_, k);
        if (!channel) continue;
        if (const auto s = windowStatistics(*live_, *channel, live_->timeMs(first), live_->timeMs(n - 1))) {
            Chart[k]->setValueAxis(s->min, s->max);
        }
    }
}

void ChartView::showRecord(const std::shared_ptr<const Record>& record) {
    for (int k = 0; k < kChannels; ++k) {
        Chart[k]->showRecord(record, channelOfChart(*record, k).value_or(record->channelCount()));
    }
    takeChannels(*record, false);
    redrawCursorLines();
}

void ChartView::replaceRecord(const std::shared_ptr<const Record>& record) {
    const AxisRange time = Chart[0]->timeAxis();
    for (int k = 0; k < kChannels; ++k) {
        Chart[k]->showRecord(record, channelOnChart_[k] >= 0 ? static_cast<std::size_t>(channelOnChart_[k])
                                                            : record->channelCount());
        Chart[k]->setTimeAxis(time.min, time.max);
        const BarValues v = fitValueBar(Chart[k]->minY(), Chart[k]->maxY());
        ZoomlerBar(k)->SetRange(v.min, v.max, v.start, v.finish);
        Chart[k]->setValueAxis(v.start, v.finish);
    }
    if (AutoYCB->isChecked()) fitValuesToTimeWindow();
    updateStatistics();
    redrawCursorLines();
}

void ChartView::setFlags(std::vector<Flag> flags) {
    flags_ = std::move(flags);
    applyFlagBands();
}

void ChartView::setLevelName(const QString& name) {
    levelName_ = name;
    updateStatistics();
}

void ChartView::applyFlagBands() {
    static const std::map<FlagKind, QColor> kColour{{FlagKind::Spike, QColor(255, 120, 120, 90)},
                                                    {FlagKind::Remove, QColor(255, 120, 120, 90)},
                                                    {FlagKind::Step, QColor(255, 190, 60, 110)},
                                                    {FlagKind::Keep, QColor(110, 200, 110, 80)}};
    const auto names = [](const Flag& f, const QString& name) {
        return std::find(f.components.begin(), f.components.end(), name.toStdString()) != f.components.end();
    };
    for (int k = 0; k < kChannels; ++k) {
        std::vector<ChartBand> bands;
        for (const Flag& f : flags_) {
            const bool field = k == kTotalField && names_[k] == QStringLiteral("F") &&
                               (names(f, names_[0]) || names(f, names_[1]) || names(f, names_[2]));
            if (names_[k].isEmpty() || !(names(f, names_[k]) || field)) continue;
            bands.push_back({static_cast<double>(f.startMs) / Record::kMsPerDay,
                             static_cast<double>(f.endMs) / Record::kMsPerDay, kColour.at(f.kind)});
        }
        Chart[k]->setBands(std::move(bands));
    }
}

void ChartView::showElements(const std::shared_ptr<const Record>& record, const std::string& elements) {
    // The file's own F stands among its elements, in the file's order; no F is computed for such a record.
    const std::size_t n = std::min<std::size_t>(4, std::min(elements.size(), record->channelCount()));
    for (int k = 0; k < kChannels; ++k) {
        Chart[k]->showRecord(record, static_cast<std::size_t>(k) < n ? static_cast<std::size_t>(k) : record->channelCount());
    }
    takeChannels(*record, true);
    redrawCursorLines();
}

// ---- zoom bars ----

void ChartView::FitZoomBars() {
    // SetRange raises no change event: the axes stay automatic and already
    // show all data; the first movement of a bar fixes its axes.
    const BarValues t = fitTimeBar(Chart[0]->minX(), Chart[0]->maxX());
    XZoomlerBar()->SetRange(t.min, t.max, t.start, t.finish);
    for (int k = 0; k < kChannels; ++k) {
        const BarValues v = fitValueBar(Chart[k]->minY(), Chart[k]->maxY());
        ZoomlerBar(k)->SetRange(v.min, v.max, v.start, v.finish);
    }
    updateStatistics();
    redrawCursorLines();
}

void ChartView::XZoomlerChanged() {
    const TZoomler* bar = XZoomlerBar();
    for (ChannelChart* c : Chart) c->setTimeAxis(bar->Start(), bar->Finish());
    fitValuesToTimeWindow();
    updateStatistics();
    redrawCursorLines();
}

void ChartView::Zoomler0Changed(int channel) {
    const TZoomler* bar = ZoomlerBar(channel);
    const AxisRange r = mirroredWindow(bar->Min(), bar->Max(), bar->Start(), bar->Finish());
    Chart[channel]->setValueAxis(r.min, r.max);
}

void ChartView::ShowAll() {
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

void ChartView::SpeedButton10Click() { ShowAll(); }

// ---- the live view ----

bool ChartView::followingLive() const { return recording_ && recording_() && !PauseButton->isChecked(); }

bool ChartView::paused() const { return PauseButton->isChecked(); }

void ChartView::PauseButtonClick() {
    const bool isPaused = PauseButton->isChecked();
    if (isPaused) {
        // The window shown now stays while the points go on arriving.
        const AxisRange shown = Chart[0]->timeAxis();
        for (ChannelChart* c : Chart) c->setTimeAxis(shown.min, shown.max);
        fitLiveTimeBar();
    } else {
        EraseCursorLines();
        for (ChannelChart* c : Chart) c->followData();
        followLatest();
    }
    emitLatestSample();
    if (recording_ && recording_()) {
        // Paused, the live window is the bar's and the read-out's to move and read.
        XZoomler->setEnabled(isPaused);
        CrossMouseCB->setEnabled(isPaused);
        if (!isPaused) CrossMouseCB->setChecked(false);
    }
    updateStatistics();
}

void ChartView::fitLiveTimeBar() {
    if (Chart[0]->pointCount() == 0) return;
    const BarValues t = fitTimeBar(Chart[0]->minX(), Chart[0]->maxX());
    const AxisRange shown = Chart[0]->timeAxis();
    // SetRange raises no change event: the frozen axes stay as they are.
    XZoomlerBar()->SetRange(t.min, t.max, std::max(shown.min, t.min), std::min(shown.max, t.max));
}

void ChartView::setLiveSource(bool live) {
    if (!live) PauseButton->setChecked(false);  // the charts follow the data again
    PauseButton->setEnabled(live);
}

void ChartView::setRecording(bool recording, bool live) {
    if (!recording) PauseButton->setChecked(false);  // released at Stop: the next run follows its data
    for (QWidget* w : {static_cast<QWidget*>(SpeedButton9), static_cast<QWidget*>(SpeedButton10),
                       static_cast<QWidget*>(CrossMouseCB), XZoomler}) {
        w->setEnabled(!recording);
    }
    for (QWidget* z : Zoomler) z->setEnabled(!recording);
    PauseButton->setEnabled(recording || live);
}

// ---- Auto Y ----

void ChartView::AutoYCBClick() { fitValuesToTimeWindow(); }

std::optional<std::pair<double, double>> ChartView::visibleExtent(int k) const {
    const ChannelChart* c = Chart[k];
    const AxisRange t = c->timeAxis();
    std::optional<std::pair<double, double>> extent;
    if (const Record* record = c->record()) {
        const auto channel = channelOfChart(*record, k);
        if (channel && std::fabs(t.min) < 3.0e6 && std::fabs(t.max) < 3.0e6) {
            if (const auto s = windowStatistics(*record, *channel, toMs(t.min), toMs(t.max))) {
                extent = std::pair(s->min, s->max);
            }
        }
        return extent;
    }
    // The live window: a few hundred points.
    for (std::size_t i = 0; i < c->pointCount(); ++i) {
        const double x = c->xAt(i), y = c->yAt(i);
        if (x >= t.min && x <= t.max && !std::isnan(y)) {
            extent = extent ? std::pair(std::min(extent->first, y), std::max(extent->second, y)) : std::pair(y, y);
        }
    }
    return extent;
}

void ChartView::fitValuesToTimeWindow() {
    if (!AutoYCB->isChecked()) return;
    for (int k = 0; k < kChannels; ++k) {
        const auto extent = visibleExtent(k);
        if (!extent) continue;  // nothing visible: the window stays
        // The bar's window spans what the window shows, as FitZoomBars does for the whole record.
        const BarValues v = fitValueBar(extent->first, extent->second);
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

void ChartView::Statistics1Click() {
    if (!Statistics) Statistics = new TStatistics(window());
    Statistics->show();
    Statistics->raise();
    updateStatistics();
}

void ChartView::updateStatistics() {
    if (!Statistics || !Statistics->isVisible()) return;
    std::vector<TStatistics::Row> rows;
    for (int k = 0; k < kChannels; ++k) {
        if (!layout_.shown(k)) continue;
        const ChannelChart* c = Chart[k];
        TStatistics::Row row{c->yAxis->label(), k == 3 || k == 4 ? 1 : 2, std::nullopt};
        const AxisRange t = c->timeAxis();
        if (const Record* record = c->record()) {
            const auto channel = channelOfChart(*record, k);
            if (channel && std::fabs(t.min) < 3.0e6 && std::fabs(t.max) < 3.0e6) {
                row.stats = windowStatistics(*record, *channel, toMs(t.min), toMs(t.max));
            }
        } else {
            std::vector<double> values;
            for (std::size_t i = 0; i < c->pointCount(); ++i) {
                if (c->xAt(i) >= t.min && c->xAt(i) <= t.max) values.push_back(c->yAt(i));
            }
            row.stats = statisticsOf(values);
        }
        rows.push_back(row);
    }
    Statistics->showRows(rows);
    const AxisRange t = Chart[0]->timeAxis();
    Statistics->setRange(QString::fromStdString(formatCursorTime(t.min) + " to " + formatCursorTime(t.max) + ", ") +
                         instrumentClockName() + (levelName_.isEmpty() ? QString() : QStringLiteral(", ") + levelName_));
}

// ---- mouse zoom and keys ----

void ChartView::setTimeWindow(double start, double finish) {
    TZoomler* bar = XZoomlerBar();
    start = std::max(start, bar->Min());
    finish = std::min(finish, bar->Max());
    if (!(finish > start)) return;
    bar->SetWindow(start, finish);
    XZoomlerChanged();
}

void ChartView::setValueWindow(int chart, double low, double high) {
    // The value bar's window is the axis's mirrored within the bar's range.
    TZoomler* bar = ZoomlerBar(chart);
    const double sum = bar->Min() + bar->Max();
    const double start = std::max(sum - high, bar->Min());
    const double finish = std::min(sum - low, bar->Max());
    if (!(finish > start)) return;
    bar->SetWindow(start, finish);
    Zoomler0Changed(chart);
}

void ChartView::ChartWheel(int chart, int x, int y, int delta, Qt::KeyboardModifiers modifiers, qint64 timestampMs) {
    // The live axes follow the newest samples: like the keys, the mouse leaves
    // them alone unless the view is paused.
    if (followingLive() || Chart[0]->pointCount() == 0) return;
    const ChannelChart* c = Chart[chart];
    // A notch without a time (0: an event made by a program) starts no series.
    const bool quick = timestampMs > 0 && lastNotchMs_ > 0 && timestampMs >= lastNotchMs_ &&
                       timestampMs - lastNotchMs_ <= kQuickNotchMs;
    notchStreak_ = quick ? notchStreak_ + 1 : 0;
    lastNotchMs_ = timestampMs;
    const double factor = wheelZoomFactor(delta / 120.0, modifiers.testFlag(Qt::ControlModifier), notchStreak_);
    if (x < c->plotRect().left()) {
        const AxisRange r = c->valueAxis();
        const double v = c->yAxis->pixelToCoord(y);
        setValueWindow(chart, v - (v - r.min) * factor, v + (r.max - v) * factor);
        return;
    }
    const AxisRange r = c->timeAxis();
    const double t = c->timeAtPixel(x);
    setTimeWindow(t - (t - r.min) * factor, t + (r.max - t) * factor);
}

void ChartView::ChartBox(int chart, const QRect& box) {
    if (followingLive() || Chart[0]->pointCount() == 0) return;
    const ChannelChart* c = Chart[chart];
    const double low = c->yAxis->pixelToCoord(box.bottom());
    const double high = c->yAxis->pixelToCoord(box.top());
    setTimeWindow(c->timeAtPixel(box.left()), c->timeAtPixel(box.right()));
    // With "Auto Y" the values keep fitting what the time window shows.
    if (!AutoYCB->isChecked()) setValueWindow(chart, low, high);
}

void ChartView::ChartDoubleClick() {
    if (!followingLive() && Chart[0]->pointCount() > 0) ShowAll();
}

void ChartView::ScrollByKey(int key) {
    const auto k = scrollKeyOf(key);
    // The live axes follow the newest samples: the keys leave them alone while
    // recording, unless the view is paused (the bar then spans the live points).
    if (!k || followingLive()) return;
    TZoomler* bar = XZoomlerBar();
    const TimeWindow w = scrollWindow(*k, bar->Min(), bar->Max(), bar->Start(), bar->Finish());
    for (ChannelChart* c : Chart) c->setTimeAxis(w.start, w.finish);
    bar->SetWindow(w.start, w.finish);
    fitValuesToTimeWindow();
    updateStatistics();
    redrawCursorLines();
}

// ---- selection ----

void ChartView::Chart0Click(int chart) {
    Chart[chart]->setFocus(Qt::MouseFocusReason);
    if (selectedChart_ >= 0 && selectedChart_ < kChannels && selectedChart_ != chart) {
        Chart[selectedChart_]->setLowered(false);
    }
    Chart[chart]->setLowered(true);
    selectedChart_ = chart;
}

void ChartView::Chart0Exit() {
    Chart[0]->setLowered(false);
    selectedChart_ = -1;
}

// ---- cursor ----

void ChartView::Chart0MouseMove(int chart, int x, int y) {
    if (!CrossMouseCB->isChecked() || (hasSource_ && !hasSource_())) return;
    const ChannelChart* c = Chart[chart];
    if (!c->plotRect().contains(x, y)) return;
    const double time = c->timeAtPixel(x);
    const AxisRange visible = c->timeAxis();
    if (const Record* record = c->record()) {
        showRecordReadout(*record, time, visible);
        return;
    }
    const auto i = pickCursorSample(
        c->pointCount(), [c](std::size_t j) { return c->xAt(j); }, visible.min, visible.max, time);
    std::array<double, 5> values{};
    bool found = i.has_value() && *i < Chart[kTotalField]->pointCount();
    for (std::size_t k = 0; found && k < values.size(); ++k) {
        found = *i < Chart[k]->pointCount();
        if (found) values[k] = Chart[k]->yAt(*i);
    }
    if (!found) {
        // No visible point: nothing to show. The text stays, no line is drawn.
        EraseCursorLines();
        return;
    }
    const double f = Chart[kTotalField]->yAt(*i);
    emit readoutChanged(QString::fromStdString(formatReadout(formatCursorTime(time), values, f)));
    EraseCursorLines();
    DrawCursorLines(time);
}

void ChartView::showRecordReadout(const Record& record, double time, const AxisRange& visible) {
    const std::int64_t from = toMs(visible.min);
    const std::int64_t to = toMs(visible.max);
    const auto i = record.nearest(toMs(time), from, to);
    if (!i && record.lowerBound(from) >= record.upperBound(to)) {
        // No visible sample: nothing to show. The text stays, no line is drawn.
        EraseCursorLines();
        return;
    }
    std::string text = "Time: " + formatCursorTime(time);
    if (i && record.kind() != Record::dataFileKind()) {
        // Another kind of record (an observatory's file): its own channels by
        // their names and units, and nothing it does not have.
        std::vector<NamedValue> named;
        for (std::size_t c = 0; c < record.channelCount(); ++c) {
            const ChannelInfo& info = record.channel(c);
            named.push_back({info.name, record.value(c, *i), info.unit, info.decimals});
        }
        text = formatNamedReadout(formatCursorTime(time), named);
    } else if (i) {
        // Inside a gap the read-out holds the time alone.
        std::array<double, 5> values{};
        for (std::size_t k = 0; k < values.size() && k < record.channelCount(); ++k) {
            values[k] = record.value(k, *i);
        }
        const auto f = record.findChannel("F");
        text = formatReadout(formatCursorTime(time), values,
                             f ? record.value(*f, *i) : std::numeric_limits<double>::quiet_NaN());
    }
    emit readoutChanged(QString::fromStdString(text));
    EraseCursorLines();
    DrawCursorLines(time);
}

void ChartView::DrawCursorLines(double x) {
    for (int k = 0; k < kChannels; ++k) {
        if (!layout_.shown(k)) continue;  // a hidden chart keeps its position
        const AxisRange r = Chart[k]->timeAxis();
        if (r.min < x && x < r.max) {
            Chart[k]->drawCursorLine(Chart[k]->pixelOfTime(x));
        } else {
            Chart[k]->eraseCursorLine();
        }
    }
}

void ChartView::EraseCursorLines() {
    for (int k = 0; k < kChannels; ++k) {
        if (layout_.shown(k) && Chart[k]->cursorLine() > 0) Chart[k]->eraseCursorLine();
    }
}

void ChartView::redrawCursorLines() {
    // After a change of the time axes the lines and the read-out follow the
    // mouse where it is now; off the charts, the lines go.
    EraseCursorLines();
    const QPoint global = QCursor::pos();
    for (int k = 0; k < kChannels; ++k) {
        if (!layout_.shown(k) || !Chart[k]->isVisible()) continue;
        const QPoint p = Chart[k]->mapFromGlobal(global);
        if (Chart[k]->rect().contains(p)) {
            Chart0MouseMove(k, p.x(), p.y());
            return;
        }
    }
}

void ChartView::CrossMouseCBClick() {
    if (!CrossMouseCB->isChecked()) EraseCursorLines();
}

}  // namespace kordel
