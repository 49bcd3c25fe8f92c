#include "charts/activityview.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

#include "app/settingsstore.h"
#include "charts/activitychart.h"
#include "charts/channelchart.h"
#include "charts/chartview.h"
#include "exchange/exportarguments.h"
#include "link/activityfeed.h"
#include "link/recorderevents.h"
#include "net/activitymessage.h"
#include "net/remotestation.h"
#include "processing/horizontalinput.h"
#include "record/record.h"

namespace kordel {

namespace {

const QString kSection = QStringLiteral("Activity");
const QString kExportSection = QStringLiteral("Export");
constexpr int kWatchTickMs = 5000;
constexpr std::int64_t kMinuteMs = 60'000;

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The bars of a record, in the worker: its clock `aheadMs` ahead of UT.
std::vector<ActivityBar> barsOfRecord(const std::shared_ptr<const Record>& record, const LiveActivitySettings& s,
                                      std::int64_t aheadMs, std::int64_t nowMinute) {
    const HorizontalInput input = horizontalMinutesOf(*record);
    if (!input.error.empty()) return {};
    const HorizontalMinutes minutes{input.firstMinute - floorDiv(aheadMs, kMinuteMs), input.x, input.y};
    return activityBarsOf(minutes, s.k, s.levels, nowMinute);
}

QString alertText(const ActivityNow& now, AlertKind kind, const AlertSettings& settings, const std::string& station) {
    const QString at = station.empty() ? QString() : QStringLiteral(" at ") + QString::fromStdString(station);
    switch (kind) {
    case AlertKind::K:
        return QStringLiteral("Activity alert%1: K %2").arg(at).arg(now.k.value_or(0));
    case AlertKind::Level:
        return QStringLiteral("Activity alert%1: level %2")
            .arg(at, text(levelName(now.level.value_or(ActivityLevel::Red))));
    case AlertKind::Dead:
        return QStringLiteral("Activity alert%1: no valid line for %2 minutes").arg(at).arg(settings.deadMinutes);
    }
    return {};
}

}  // namespace

ActivityView::ActivityView(QObject* parent, Parts parts)
    : Capability(parent), parts_(std::move(parts)), clock_(&ActivityFeed::systemUtcMs) {
    setObjectName(QStringLiteral("ActivityView"));
    action_ = parts_.viewMenu->addAction(QStringLiteral("Activity"));
    action_->setObjectName(QStringLiteral("Activity1"));
    action_->setCheckable(true);
    connect(action_, &QAction::toggled, this, &ActivityView::setShown);

    // Under the traces, in whatever column holds the charts.
    chart_ = new ActivityChart(parts_.charts.Chart[0]);
    QWidget* column = parts_.charts.parentWidget();
    if (auto* box = column ? qobject_cast<QBoxLayout*>(column->layout()) : nullptr) {
        box->insertWidget(box->indexOf(&parts_.charts) + 1, chart_);
    } else {
        chart_->setParent(column);
    }
    chart_->hide();
    // The topmost shown chart leads: the bars follow its replots (a hidden chart does not replot).
    for (ChannelChart* c : parts_.charts.Chart) {
        connect(c, &QCustomPlot::afterReplot, this, [this, c] {
            for (ChannelChart* first : parts_.charts.Chart) {
                if (!first->isVisible()) continue;
                if (first != c) return;
                chart_->setLeader(c);
                chart_->follow();
                recordMaybeChanged();
                return;
            }
        });
    }

    badge_ = new QLabel(parts_.statusBar);
    badge_->setObjectName(QStringLiteral("ActivityBadge"));
    badge_->setMargin(1);
    badge_->hide();
    parts_.statusBar->addPermanentWidget(badge_);
    setBadge(std::nullopt, false, std::nullopt);

    connect(&worker_, &QFutureWatcher<std::vector<ActivityBar>>::finished, this, [this] {
        if (!recording_ && !watching_) showBars(worker_.result());
        if (auto next = std::exchange(pending_, nullptr)) {
            computedRecord_ = nullptr;  // look again
            recordMaybeChanged();
        }
    });

    // Recording: the run's lines into the live monitor while it runs.
    connect(&parts_.recorded, &RecorderEvents::dailyFileStarted, this, [this](const std::string& name) {
        dailyFile_ = name;
        if (feed_) feed_->dailyFileStarted(name);
    });
    connect(&parts_.recorded, &RecorderEvents::sampleDecoded, this, [this](const DecodedSample& s, bool drop) {
        if (feed_) feed_->sampleDecoded(s, drop);
    });
    barsTimer_.setInterval(kBarsEveryMs);
    connect(&barsTimer_, &QTimer::timeout, this, &ActivityView::liveBars);

    // Watching: the station's messages, and its lines for the dead feed.
    connect(&parts_.remote, &RemoteStation::watchingChanged, this, &ActivityView::onWatching);
    connect(&parts_.remote, &RemoteStation::activityReceived, this, &ActivityView::stationMessage);
    connect(&parts_.remote, &RemoteStation::activityOversized, this,
            [this](int bytes) { badMessage(QStringLiteral("%1 bytes, more than %2").arg(bytes).arg(kMaxActivityMessageBytes)); });
    connect(&parts_.watched, &RecorderEvents::sampleDecoded, this, [this] { onWatchedLine(); });
    watchTick_.setInterval(kWatchTickMs);
    connect(&watchTick_, &QTimer::timeout, this, &ActivityView::tickWatching);
}

ActivityView::~ActivityView() { worker_.waitForFinished(); }

// ---- settings ----

void ActivityView::restoreSettings(const SettingsStore& store) {
    const auto get = [&](const QString& section, const char* key) { return store.value(section, QString::fromLatin1(key)); };
    bool ok = false;
    if (const auto v = get(kSection, "K9"); v && v->toDouble(&ok) > 0 && ok) settings_.k.k9LowerLimitNt = v->toDouble();
    if (const auto v = get(kSection, "Levels")) {
        if (const auto t = parseLevelThresholds(v->toStdString())) settings_.levels = *t;
    }
    if (const auto v = get(kSection, "AlertK"); v && v->toInt(&ok) >= 0 && ok && v->toInt() <= 9) settings_.alerts.k = v->toInt();
    if (const auto v = get(kSection, "AlertLevel")) {
        if (const auto l = parseLevel(v->toStdString()); l && *l >= ActivityLevel::Amber) settings_.alerts.level = *l;
    }
    if (const auto v = get(kSection, "AlertDeadMinutes"); v && v->toInt(&ok) > 0 && ok) settings_.alerts.deadMinutes = v->toInt();
    if (const auto v = get(kExportSection, "Longitude"); v && (v->toDouble(&ok), ok)) settings_.k.longitudeDeg = v->toDouble();
    if (const auto v = get(kExportSection, "UtcOffset")) {
        if (const auto ahead = parseUtcOffset(v->toStdString())) clockAheadMs_ = *ahead;
    }
    if (const auto v = get(kExportSection, "StationCode")) station_ = v->toStdString();
    const auto shownValue = get(kSection, "Shown");
    action_->setChecked(shownValue && *shownValue == QStringLiteral("1"));
}

void ActivityView::saveSettings(SettingsStore& store) const {
    const auto set = [&](const char* key, const QString& value) { store.setValue(kSection, QString::fromLatin1(key), value); };
    set("Shown", shown() ? QStringLiteral("1") : QStringLiteral("0"));
    set("K9", QString::number(settings_.k.k9LowerLimitNt));
    set("Levels", QStringLiteral("%1,%2,%3").arg(settings_.levels.yellowNt).arg(settings_.levels.amberNt).arg(settings_.levels.redNt));
    set("AlertK", QString::number(settings_.alerts.k));
    set("AlertLevel", text(levelName(settings_.alerts.level)));
    set("AlertDeadMinutes", QString::number(settings_.alerts.deadMinutes));
}

// ---- showing ----

bool ActivityView::shown() const { return action_->isChecked(); }

void ActivityView::setShown(bool shown) {
    if (action_->isChecked() != shown) {
        action_->setChecked(shown);  // comes back here through toggled
        return;
    }
    chart_->setVisible(shown);
    badge_->setVisible(shown);
    if (shown) {
        QTimer::singleShot(0, chart_, &ActivityChart::follow);
        computedRecord_ = nullptr;
        recordMaybeChanged();
    }
}

void ActivityView::setBadge(std::optional<int> k, bool provisional, std::optional<ActivityLevel> level) {
    badge_->setText(QString::fromStdString(activityBadgeText(k, provisional, level)));
    const QColor c = ActivityChart::levelColour(level);
    const bool dark = level && (*level == ActivityLevel::Red || *level == ActivityLevel::Green);
    badge_->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; padding: 0 4px; }")
                              .arg(level ? c.name() : QStringLiteral("transparent"), dark ? QStringLiteral("white")
                                                                                          : QStringLiteral("black")));
}

void ActivityView::showBars(std::vector<ActivityBar> bars) {
    if (bars.empty()) {
        setBadge(std::nullopt, false, std::nullopt);
    } else {
        setBadge(bars.back().k, bars.back().provisional, bars.back().level);
    }
    chart_->setBars(std::move(bars), clockAheadMs_);
    chart_->follow();
}

void ActivityView::recordMaybeChanged() {
    if (!shown() || recording_ || watching_) return;
    std::shared_ptr<const Record> record = parts_.charts.shownRecord();
    // A live record grows on this thread: the monitor and the station's messages speak for it.
    if (record && record == parts_.charts.liveRecord()) return;
    if (record.get() == computedRecord_ && (!record || record->revision() == computedRevision_)) return;
    if (worker_.isRunning()) {
        pending_ = record;
        return;
    }
    computedRecord_ = record.get();
    computedRevision_ = record ? record->revision() : 0;
    if (!record) {
        showBars({});
        return;
    }
    worker_.setFuture(QtConcurrent::run(barsOfRecord, record, settings_, clockAheadMs_, clock_() / kMinuteMs));
}

void ActivityView::waitForWorker() {
    while (worker_.isRunning() || pending_) {
        worker_.waitForFinished();
        QCoreApplication::sendPostedEvents(&worker_);
        QCoreApplication::processEvents();
    }
}

// ---- recording ----

void ActivityView::setRecording(bool recording) {
    recording_ = recording;
    if (!recording) {
        barsTimer_.stop();
        feed_.reset();
        return;
    }
    feed_ = std::make_unique<ActivityFeed>(settings_, clockAheadMs_, clock_);
    connect(feed_.get(), &ActivityFeed::stateChanged, this, [this](const ActivityNow& now) {
        setBadge(now.k, now.provisional, now.level);
        if (!barsTimer_.isActive()) {
            liveBars();  // the first state: bars at once, then once a minute
            barsTimer_.start();
        }
    });
    connect(feed_.get(), &ActivityFeed::alertRaised, this, &ActivityView::raise);
    connect(feed_.get(), &ActivityFeed::failed, this, [this](const QString& m) { parts_.log(QStringLiteral("Error: ") + m); });
    if (!dailyFile_.empty()) feed_->dailyFileStarted(dailyFile_);
    feed_->start();
}

void ActivityView::liveBars() {
    if (!feed_ || !shown()) return;
    const LiveActivity& live = feed_->monitor();
    std::vector<ActivityBar> bars = activityBarsOf(live.minutes(), settings_.k, settings_.levels, clock_() / kMinuteMs);
    const ActivityNow& now = live.current();
    chart_->setBars(std::move(bars), clockAheadMs_);
    chart_->follow();
    setBadge(now.k, now.provisional, now.level);
}

// ---- watching ----

void ActivityView::onWatching(bool watching) {
    watching_ = watching;
    watchedBars_.clear();
    watchedNow_ = {};
    if (!watching) {
        watchTick_.stop();
        watchMonitor_.reset();
        return;
    }
    watchMonitor_ = std::make_unique<AlertMonitor>(settings_.alerts);
    chart_->setBars({}, clockAheadMs_);
    setBadge(std::nullopt, false, std::nullopt);
    watchTick_.start();
    tickWatching();  // the dead feed counts from here
}

void ActivityView::onWatchedLine() {
    if (watching_) watchedNow_.lastValidLineMs = clock_();
}

void ActivityView::tickWatching() {
    if (!watchMonitor_) return;
    watchedNow_.timeMs = clock_();
    for (const AlertKind kind : watchMonitor_->update(watchedNow_)) raise(watchedNow_, kind);
}

void ActivityView::stationMessage(const QByteArray& payload) {
    QString why;
    const std::optional<StationActivity> a = decodeStationActivity(payload, &why);
    if (!a) {
        badMessage(why);
        return;
    }
    if (!watching_) return;
    watchedNow_.k = a->k;
    watchedNow_.provisional = a->provisional;
    watchedNow_.level = a->level;
    watchedNow_.dbdtMax10MinNt = a->dbdtMax10MinNt;
    const std::int64_t minute = floorDiv(a->timeMs, kMinuteMs);
    const std::int64_t start = minute - (((minute % kMinutesPerInterval) + kMinutesPerInterval) % kMinutesPerInterval);
    // An interval the station has moved on from is over: its last K stands.
    for (auto& [s, bar] : watchedBars_) {
        if (s < start) bar.provisional = false;
    }
    if (a->k) watchedBars_[start] = ActivityBar{start, *a->k, a->provisional, a->level};
    std::vector<ActivityBar> bars;
    bars.reserve(watchedBars_.size());
    for (const auto& [s, bar] : watchedBars_) bars.push_back(bar);
    chart_->setBars(std::move(bars), clockAheadMs_);
    chart_->follow();
    setBadge(a->k, a->provisional, a->level);
    tickWatching();
}

void ActivityView::badMessage(const QString& why) {
    ++badMessages_;
    const std::int64_t now = clock_();
    if (badReportedMs_ && now - *badReportedMs_ < kBadMessageReportMs) return;
    parts_.log(QStringLiteral("Remote station: %1 activity message(s) not read (the last: %2)").arg(badMessages_).arg(why));
    badMessages_ = 0;
    badReportedMs_ = now;
}

// ---- alerts ----

void ActivityView::raise(const ActivityNow& now, AlertKind kind) {
    const std::string name(alertName(kind));
    parts_.log(QString::fromStdString("Activity alert " + name + ": " + activityMessage(now, station_, kind)));
    notify(alertText(now, kind, settings_.alerts, station_));
}

void ActivityView::notify(const QString& text) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!tray_) {
            QIcon icon = qApp->windowIcon();
            if (icon.isNull()) icon = qApp->style()->standardIcon(QStyle::SP_MessageBoxWarning);
            tray_ = new QSystemTrayIcon(icon, this);
            tray_->show();
        }
        tray_->showMessage(QStringLiteral("Kordel-K5"), text, QSystemTrayIcon::Warning);
    } else {
        parts_.statusBar->showMessage(text);
    }
    emit alertShown(text);
}

}  // namespace kordel
