#include "net/remotestation.h"

#include <QAction>
#include <QLabel>

#include "app/errorreport.h"
#include "app/settingsstore.h"
#include "net/publishoptions.h"

namespace kordel {

namespace {

const QString kSection = QStringLiteral("RemoteStation");
constexpr qint64 kBadReportMs = 60000;
// The station's lines of the last hours are asked for on connecting.
constexpr int kDefaultHistoryHours = 6;

std::optional<RemoteStationSettings> askWithDialog(QWidget* parent, const RemoteStationSettings& current) {
    TRemoteStationDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.settings();
}

}  // namespace

RemoteStation::RemoteStation(QWidget* window, RecorderListener& charts, const QString& settingsPath)
    : Capability(window), window_(window), charts_(charts), settingsPath_(settingsPath), ask_(askWithDialog) {
    setObjectName(QStringLiteral("RemoteStation"));
    action_ = new QAction(QStringLiteral("Remote station..."), this);
    action_->setObjectName(QStringLiteral("RemoteStation1"));
    connect(action_, &QAction::triggered, this, &RemoteStation::RemoteStation1Click);
    connect(&subscriber_, &StationSubscriber::lineReceived, this, &RemoteStation::onLine);
    connect(&subscriber_, &StationSubscriber::notALine, this, &RemoteStation::onNotALine);
    connect(&subscriber_, &StationSubscriber::activityReceived, this, &RemoteStation::activityReceived);
    connect(&subscriber_, &StationSubscriber::activityOversized, this, &RemoteStation::activityOversized);
    connect(&subscriber_, &StationSubscriber::refused, this, &RemoteStation::onRefused);
    connect(&subscriber_, &StationSubscriber::stateChanged, this, [this](const QString& state) {
        stationState_ = state;
        setStatus(settings_.station + QStringLiteral(": ") + state);
    });
    connect(&subscriber_, &StationSubscriber::unreachable, this, &RemoteStation::onUnreachable);
    connect(&subscriber_, &StationSubscriber::messagesDropped, this, [this](int count) {
        droppedCount_ += count;
        if (!droppedReported_.isValid() || droppedReported_.elapsed() >= kBadReportMs) {
            charts_.onLog("Remote station: " + std::to_string(droppedCount_) +
                          " messages dropped: they came faster than they could be shown");
            droppedCount_ = 0;
            droppedReported_.start();
        }
    });
    connect(&subscriber_, &StationSubscriber::connectionChanged, this, [this](bool connected) {
        connected_ = connected;
        if (!connected) {
            away_ = true;
            charts_.onLog("Remote station: broker away, trying again every 2 s");
            setStatus(settings_.station + QStringLiteral(": broker away"));
            return;
        }
        if (std::exchange(away_, false) || std::exchange(unreachableShown_, false)) {
            charts_.onLog("Remote station: broker back at " + url_);
        }
        setStatus(settings_.station + QStringLiteral(": ") +
                  (stationState_.isEmpty() ? QStringLiteral("connected") : stationState_));
    });
    loadSettings();
}

RemoteStation::~RemoteStation() { subscriber_.stop(); }

void RemoteStation::setStatusLabel(QLabel* label) {
    status_ = label;
    if (status_) {
        status_->setTextFormat(Qt::PlainText);
        status_->setText(statusText());
    }
}

void RemoteStation::setRecording(bool recording) { action_->setEnabled(!recording); }

void RemoteStation::setStatus(const QString& text) {
    setStatusText(text);
    if (status_) {
        status_->setText(text);
    }
}

void RemoteStation::loadSettings() {
    const SettingsStore store(settingsPath_);
    settings_.url = store.value(kSection, QStringLiteral("Url")).value_or(QString());
    settings_.station = store.value(kSection, QStringLiteral("Station")).value_or(QString());
    settings_.user = store.value(kSection, QStringLiteral("User")).value_or(QString());
    settings_.caFile = store.value(kSection, QStringLiteral("CaFile")).value_or(QString());
    // HistoryHours: set by hand in the settings file; 0 asks for none.
    bool ok = false;
    const int hours = store.value(kSection, QStringLiteral("HistoryHours")).value_or(QString()).toInt(&ok);
    subscriber_.setHistoryHours(ok && hours >= 0 && hours <= 24 * 31 ? hours : kDefaultHistoryHours);
}

void RemoteStation::saveSettings() {
    SettingsStore store(settingsPath_);
    store.setValue(kSection, QStringLiteral("Url"), settings_.url);
    store.setValue(kSection, QStringLiteral("Station"), settings_.station);
    store.setValue(kSection, QStringLiteral("User"), settings_.user);
    store.setValue(kSection, QStringLiteral("CaFile"), settings_.caFile);
    store.sync();
}

void RemoteStation::RemoteStation1Click() {
    const auto answer = ask_(window_, settings_);
    if (!answer) {
        return;
    }
    settings_ = *answer;
    saveSettings();
    watch(settings_);
}

bool RemoteStation::watch(const RemoteStationSettings& s) {
    stop();
    settings_ = s;
    QString error = remoteStationSettingsError(s);
    std::string urlError;
    const auto address = parseBrokerUrl(s.url.toStdString(), urlError);
    if (error.isEmpty() && address) {
        MqttOptions o;
        o.address = *address;
        o.user = s.user;
        o.password = s.password.toUtf8();
        o.caFile = s.caFile;
        if (const QString warning = plainPasswordWarning(o); !warning.isEmpty()) {
            charts_.onLog("Remote station: Warning: " + warning.toStdString());
        }
        subscriber_.start(o, s.station, error);
    }
    if (!error.isEmpty()) {
        ErrorReport::instance().report(QStringLiteral("Remote station: ") + error);
        return false;
    }
    url_ = brokerUrlText(*address);    recorder_.startRun();
    watching_ = true;
    badReported_.invalidate();
    badCount_ = 0;
    unreachableShown_ = false;
    away_ = false;
    stationState_.clear();
    setStatus(s.station + QStringLiteral(": connecting"));
    charts_.onLog("Remote station: watching " + s.station.toStdString() + " at " + brokerUrlText(*address));
    emit watchingChanged(true);
    return true;
}

void RemoteStation::stop() {
    if (!watching_) {
        return;
    }
    subscriber_.stop();
    recorder_.stopRun();
    watching_ = false;
    connected_ = false;
    setStatus(QString());
    if (window_ != nullptr && window_->windowTitle().endsWith(QStringLiteral("Remote station ") + settings_.station)) {
        window_->setWindowTitle(QStringLiteral("Kordel-K5"));
    }
    charts_.onLog("Remote station: stopped watching " + settings_.station.toStdString());
    emit watchingChanged(false);
}

void RemoteStation::onLine(const QByteArray& line) {
    const QByteArray bytes = line + "\r\n";
    recorder_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void RemoteStation::onNotALine(int bytes) {
    // Counted, and said at most once a minute, so a broken or hostile sender
    // cannot fill the log.
    ++badCount_;
    if (badReported_.isValid() && badReported_.elapsed() < kBadReportMs) {
        return;
    }
    charts_.onLog("Remote station: " + std::to_string(badCount_) + " message" + (badCount_ == 1 ? "" : "s") +
                  " that " + (badCount_ == 1 ? "is" : "are") + " no device line skipped (the last of " +
                  std::to_string(bytes) + " bytes)");
    badCount_ = 0;
    badReported_.start();
}

void RemoteStation::onUnreachable(const QString& reason) {
    // The first failed attempt is shown at once; the next ones are not
    // repeated until a connection was made.
    if (connected_ || std::exchange(unreachableShown_, true)) {
        return;
    }
    const std::string text = "cannot reach the broker at " + url_ + ": " + reason.toStdString();
    charts_.onLog("Remote station: " + text + ", trying again every 2 s");
    setStatus(settings_.station + QStringLiteral(": ") + QString::fromStdString(text));
}

void RemoteStation::onRefused(const QString& reason) {
    const QString station = settings_.station;
    stop();
    ErrorReport::instance().report(QStringLiteral("Remote station %1: %2").arg(station, reason));
}

void RemoteStation::onDailyFileStarted(const std::string&) {
    // A new day of the station's lines: the charts start afresh, named after
    // it; the state panel keeps the station's state.
    charts_.onDailyFileStarted("Remote station " + settings_.station.toStdString());
    setStatus(statusText());
}

void RemoteStation::onSample(const DecodedSample& sample, bool dropOldest) { charts_.onSample(sample, dropOldest); }

void RemoteStation::onLog(const std::string& text) { charts_.onLog(text); }

}  // namespace kordel
