#include "net/remotestation.h"

#include <QAction>
#include <QLabel>

#include "app/errorreport.h"
#include "app/settingsstore.h"

namespace kordel {

namespace {

const QString kSection = QStringLiteral("RemoteStation");

std::optional<RemoteStationSettings> askWithDialog(QWidget* parent, const RemoteStationSettings& current) {
    TRemoteStationDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.settings();
}

}  // namespace

RemoteStation::RemoteStation(QWidget* window, RecorderListener& charts, const QString& settingsPath)
    : QObject(window), window_(window), charts_(charts), settingsPath_(settingsPath), ask_(askWithDialog) {
    action_ = new QAction(QStringLiteral("Remote station..."), this);
    action_->setObjectName(QStringLiteral("RemoteStation1"));
    connect(action_, &QAction::triggered, this, &RemoteStation::RemoteStation1Click);
    connect(&subscriber_, &StationSubscriber::lineReceived, this, &RemoteStation::onLine);
    connect(&subscriber_, &StationSubscriber::notALine, this, &RemoteStation::onNotALine);
    connect(&subscriber_, &StationSubscriber::refused, this, &RemoteStation::onRefused);
    connect(&subscriber_, &StationSubscriber::stateChanged, this, [this](const QString& state) {
        stationState_ = state;
        setStatus(settings_.station + QStringLiteral(": ") + state);
    });
    connect(&subscriber_, &StationSubscriber::connectionChanged, this, [this](bool connected) {
        connected_ = connected;
        if (!connected) {
            charts_.onLog("Remote station: broker away, trying again every 2 s");
            setStatus(settings_.station + QStringLiteral(": broker away"));
        } else if (!stationState_.isEmpty()) {
            setStatus(settings_.station + QStringLiteral(": ") + stationState_);
        }
    });
    loadSettings();
}

RemoteStation::~RemoteStation() { subscriber_.stop(); }

void RemoteStation::setStatusLabel(QLabel* label) {
    status_ = label;
    if (status_) {
        status_->setText(statusText_);
    }
}

void RemoteStation::setStatus(const QString& text) {
    statusText_ = text;
    if (status_) {
        status_->setText(text);
    }
}

void RemoteStation::loadSettings() {
    const SettingsStore store(settingsPath_);
    settings_.url = store.value(kSection, QStringLiteral("Url")).value_or(QString());
    settings_.station = store.value(kSection, QStringLiteral("Station")).value_or(QString());
    settings_.user = store.value(kSection, QStringLiteral("User")).value_or(QString());
}

void RemoteStation::saveSettings() {
    SettingsStore store(settingsPath_);
    store.setValue(kSection, QStringLiteral("Url"), settings_.url);
    store.setValue(kSection, QStringLiteral("Station"), settings_.station);
    store.setValue(kSection, QStringLiteral("User"), settings_.user);
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
    std::string urlError;
    const auto address = parseBrokerUrl(s.url.toStdString(), urlError);
    QString error;
    if (!address) {
        error = s.url + QStringLiteral(": ") + QString::fromStdString(urlError);
    } else if (!isValidStationCode(s.station.toStdString())) {
        error = QStringLiteral("The station code may hold only letters, digits, '-' and '_'.");
    } else {
        MqttOptions o;
        o.address = *address;
        o.user = s.user;
        o.password = s.password.toUtf8();
        subscriber_.start(o, s.station, error);
    }
    if (!error.isEmpty()) {
        ErrorReport::instance().report(QStringLiteral("Remote station: ") + error);
        return false;
    }
    recorder_.startRun();
    watching_ = true;
    badReported_ = false;
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
    charts_.onLog("Remote station: stopped watching " + settings_.station.toStdString());
    emit watchingChanged(false);
}

void RemoteStation::onLine(const QByteArray& line) {
    badReported_ = false;
    const QByteArray bytes = line + "\r\n";
    recorder_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void RemoteStation::onNotALine(int bytes) {
    // Reported once until a good line arrives, so a broken sender cannot fill the log.
    if (!badReported_) {
        badReported_ = true;
        charts_.onLog("Remote station: a message of " + std::to_string(bytes) + " bytes is no device line, skipped");
    }
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
    setStatus(statusText_);
}

void RemoteStation::onSample(const DecodedSample& sample, bool dropOldest) { charts_.onSample(sample, dropOldest); }

void RemoteStation::onLog(const std::string& text) { charts_.onLog(text); }

}  // namespace kordel
