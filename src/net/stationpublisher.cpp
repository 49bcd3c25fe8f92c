#include "net/stationpublisher.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "link/deviceline.h"

namespace kordel {

StationPublisher::StationPublisher(std::string folder, std::string station, LogFunction log, QObject* parent)
    : QObject(parent),
      folder_(std::move(folder)),
      station_(std::move(station)),
      lineTopic_(QByteArray::fromStdString(lineTopic(station_))),
      stateTopic_(QByteArray::fromStdString(stateTopic(station_))),
      log_(std::move(log)) {
    connect(&client_, &MqttClient::connected, this, &StationPublisher::onConnected);
    connect(&client_, &MqttClient::disconnected, this, &StationPublisher::onDisconnected);
    connect(&client_, &MqttClient::refused, this, [this](int, const QString& r) { onRefused(r); });
    connect(&client_, &MqttClient::errorLogged, this, &StationPublisher::onError);
    connect(&client_, &MqttClient::published, this, &StationPublisher::onPublished);
    saveTimer_.setInterval(kSaveIntervalMs);
    connect(&saveTimer_, &QTimer::timeout, this, [this] {
        savePosition();
        // Also picks up a daily file that was started since the last read.
        schedulePump();
    });
    unreachableTimer_.setSingleShot(true);
    connect(&unreachableTimer_, &QTimer::timeout, this, [this] {
        if (!everConnected_ && !awayLogged_) {
            awayLogged_ = true;
            log_("MQTT: no broker at " + url_ + " yet, trying again every 2 s");
        }
    });
}

StationPublisher::~StationPublisher() = default;

std::string StationPublisher::positionFileName(const std::string& station) {
    return "kordel-mqtt-" + station + ".position";
}

std::string StationPublisher::path(const std::string& name) const {
    if (folder_.empty()) {
        return name;
    }
    return folder_.back() == '/' ? folder_ + name : folder_ + '/' + name;
}

bool StationPublisher::start(const MqttOptions& options, QString& error) {
    MqttOptions o = options;
    o.willTopic = stateTopic_;
    o.willPayload = "offline";
    o.maxInflight = kMaxInflight;
    url_ = brokerUrlText(o.address);
    startPosition();
    if (!client_.start(o, error)) {
        return false;
    }
    log_("MQTT: publishing station " + station_ + " to " + url_ + " from " +
         (read_.file.empty() ? std::string("the next daily file") : read_.file + " at byte " +
                                                                       std::to_string(read_.offset)));
    saveTimer_.start();
    unreachableTimer_.start(2500);
    return true;
}

void StationPublisher::startPosition() {
    QFile file(QString::fromStdString(path(positionFileName(station_))));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray text = file.read(4096);
        if (const auto p = parseJournalPosition(std::string_view(text.constData(), static_cast<std::size_t>(text.size())))) {
            read_ = *p;
        } else {
            log_("MQTT: the position file " + positionFileName(station_) + " is not readable; starting after the newest line");
        }
    }
    if (read_.file.empty()) {
        // A station publishes what it records from now on, not its whole past.
        const std::vector<std::string> files = dailyFiles();
        if (!files.empty()) {
            read_.file = files.back();
            read_.offset = static_cast<std::uint64_t>(QFileInfo(QString::fromStdString(path(read_.file))).size());
        }
    }
    window_.setCommitted(read_);
    savePosition();
}

void StationPublisher::savePosition() {
    const JournalPosition& p = window_.committed();
    if (p == saved_ || p.file.empty()) {
        return;
    }
    QSaveFile file(QString::fromStdString(path(positionFileName(station_))));
    const std::string text = formatJournalPosition(p);
    if (file.open(QIODevice::WriteOnly) && file.write(text.data(), static_cast<qint64>(text.size())) ==
                                               static_cast<qint64>(text.size()) && file.commit()) {
        saved_ = p;
        saveFailureLogged_ = false;
    } else if (!saveFailureLogged_) {
        // Publishing goes on; after a restart more lines would be sent again.
        saveFailureLogged_ = true;
        log_("MQTT: cannot save the position in " + file.fileName().toStdString() + ": " +
             file.errorString().toStdString());
    }
}

void StationPublisher::lineWritten() { schedulePump(); }

void StationPublisher::schedulePump() {
    if (!pumpScheduled_) {
        pumpScheduled_ = true;
        QMetaObject::invokeMethod(this, &StationPublisher::pump, Qt::QueuedConnection);
    }
}

std::vector<std::string> StationPublisher::dailyFiles() const {
    const QDir dir(folder_.empty() ? QStringLiteral(".") : QString::fromStdString(folder_));
    std::vector<std::string> names;
    for (const QString& n : dir.entryList({QStringLiteral("*.pc")}, QDir::Files, QDir::Name)) {
        std::string name = n.toStdString();
        if (isDailyFileName(name)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

void StationPublisher::pump() {
    pumpScheduled_ = false;
    atEnd_ = false;
    while (client_.isConnected() && !window_.full()) {
        if (!pumpFile() && !moveToNextFile()) {
            atEnd_ = true;
            return;
        }
    }
}

bool StationPublisher::moveToNextFile() {
    const std::string next = nextDailyFile(dailyFiles(), read_.file);
    if (next.empty()) {
        return false;
    }
    read_ = {next, 0};
    return true;
}

// Sends lines from the current file; false when it has nothing more now.
bool StationPublisher::pumpFile() {
    if (read_.file.empty()) {
        return false;
    }
    QFile file(QString::fromStdString(path(read_.file)));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(static_cast<qint64>(read_.offset))) {
        return false;
    }
    const QByteArray bytes = file.read(kReadBlock);
    scratch_.clear();
    const std::uint64_t next = scanJournal(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                           read_.offset, kMaxInflight - window_.inFlight(), scratch_);
    for (const JournalLine& line : scratch_) {
        const auto mid = client_.publish(lineTopic_, QByteArray(line.text.data(), static_cast<qsizetype>(line.text.size())),
                                         1, false);
        if (!mid) {
            // Cannot happen while connected, short of memory: try again later.
            read_.offset = line.end - kDeviceLineLength;
            return false;
        }
        window_.sent(*mid, {read_.file, line.end});
    }
    const bool progressed = next != read_.offset;
    read_.offset = next;
    return progressed;
}

void StationPublisher::onPublished(int mid) {
    if (mid == offlineMid_) {
        offlineMid_ = -1;
        return;
    }
    if (window_.acknowledged(mid)) {
        emit acknowledged();
    }
    if (!window_.full()) {
        schedulePump();
    }
}

void StationPublisher::onConnected() {
    if (!everConnected_ || awayLogged_) {
        log_(awayLogged_ ? "MQTT: broker back at " + url_ : "MQTT: connected to " + url_);
    }
    everConnected_ = true;
    awayLogged_ = false;
    client_.publish(stateTopic_, "online", 1, true);
    schedulePump();
}

void StationPublisher::onDisconnected(const QString& reason) {
    if (!awayLogged_) {
        awayLogged_ = true;
        log_("MQTT: broker away (" + reason.toStdString() + "), trying again every 2 s");
    }
}

void StationPublisher::onRefused(const QString& reason) {
    if (!everConnected_) {
        emit fatal(reason);
    } else if (!awayLogged_) {
        awayLogged_ = true;
        log_("MQTT: " + reason.toStdString());
    }
}

void StationPublisher::onError(const QString& text) {
    const bool tls = text.contains(QLatin1String("SSL")) || text.contains(QLatin1String("TLS")) ||
                     text.contains(QLatin1String("certificate"));
    if (tls && !everConnected_) {
        emit fatal(QStringLiteral("the broker's certificate was not accepted (%1)").arg(text));
    } else if (!awayLogged_) {
        awayLogged_ = true;
        log_("MQTT: " + text.toStdString());
    }
}

bool StationPublisher::idle() const { return window_.inFlight() == 0 && atEnd_ && !pumpScheduled_; }

void StationPublisher::finish(int timeoutMs) {
    saveTimer_.stop();
    unreachableTimer_.stop();
    if (client_.isConnected()) {
        waitUntil([this] { return idle(); }, timeoutMs);
        if (const auto mid = client_.publish(stateTopic_, "offline", 1, true)) {
            offlineMid_ = *mid;
            waitUntil([this] { return offlineMid_ == -1; }, kOfflineWaitMs);
        }
    }
    client_.stop();
    savePosition();
    const JournalPosition& p = window_.committed();
    log_("MQTT: stopped publishing station " + station_ +
         (p.file.empty() ? std::string() : " at " + p.file + " byte " + std::to_string(p.offset)));
}

// Runs the event loop until `done` or the time is up; only used at the end,
// when the port is closed and nothing else is waiting for the loop.
void StationPublisher::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || !client_.isConnected()) {
            loop.quit();
        }
    });
    schedulePump();
    deadline.start(timeoutMs);
    poll.start(10);
    loop.exec();
}

}  // namespace kordel
