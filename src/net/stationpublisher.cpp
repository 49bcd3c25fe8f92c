#include "net/stationpublisher.h"

#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/fd.h"
#include "files/safepath.h"
#include "link/deviceline.h"
#include "files/replacingfile.h"
#include "net/replay.h"

namespace kordel {

namespace {

// The position file is a few lines; anything larger is not one.
constexpr std::size_t kMaxStateBytes = 1 << 20;

std::int64_t nanoseconds(const struct timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

std::string folderPath(const std::string& folder) { return folder.empty() ? std::string(".") : folder; }

// The folder's last change (a file created, removed or renamed), or -1.
std::int64_t folderStamp(const std::string& folder) {
    struct stat st {};
    return ::stat(folderPath(folder).c_str(), &st) == 0 ? nanoseconds(st.st_mtim) : -1;
}

// An owner id: 16 lower-case hex digits.
bool isOwnerId(const QByteArray& id) {
    return id.size() == 16 && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// What another publisher wrote, fit for the log: printable ASCII, bounded.
std::string shown(const QByteArray& bytes) {
    std::string text;
    for (const char c : bytes.left(80)) {
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

std::uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

}  // namespace

StationPublisher::StationPublisher(std::string folder, std::string station, LogFunction log, QObject* parent)
    : QObject(parent),
      folder_(std::move(folder)),
      station_(std::move(station)),
      lineTopic_(QByteArray::fromStdString(lineTopic(station_))),
      stateTopic_(QByteArray::fromStdString(stateTopic(station_))),
      ownerTopic_("kordel/" + QByteArray::fromStdString(station_) + "/owner"),
      checkTopic_(ownerTopic_ + "/check"),
      journalTopic_("kordel/" + QByteArray::fromStdString(station_) + "/journal"),
      requestTopic_("kordel/" + QByteArray::fromStdString(station_) + "/replay/request"),
      activityTopic_("kordel/" + QByteArray::fromStdString(station_) + "/activity"),
      log_(std::move(log)),
      replay_(folder_, station_) {
    connect(&client_, &MqttClient::messageReceived, this, &StationPublisher::onMessage);
    connect(&client_, &MqttClient::subscribed, this, &StationPublisher::onSubscribed);
    connect(&client_, &MqttClient::connected, this, &StationPublisher::onConnected);
    connect(&client_, &MqttClient::disconnected, this, &StationPublisher::onDisconnected);
    connect(&client_, &MqttClient::refused, this, [this](int, const QString& r) { onRefused(r); });
    connect(&client_, &MqttClient::errorLogged, this, &StationPublisher::onError);
    connect(&client_, &MqttClient::published, this, &StationPublisher::onPublished);
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, [this] {
        saveState(false);
        if (atEnd_) {
            schedulePump();  // a daily file nobody named to us
        }
    });
    replayTick_.setInterval(ReplayServer::kStepMs);
    connect(&replayTick_, &QTimer::timeout, this, &StationPublisher::replayStep);
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

std::string StationPublisher::ownerFileName(const std::string& station) {
    return "kordel-mqtt-" + station + ".owner";
}

std::string StationPublisher::path(const std::string& name) const { return pathInside(folder_, name).value_or(name); }

bool StationPublisher::start(const MqttOptions& options, QString& error) {
    MqttOptions o = options;
    o.willTopic = stateTopic_;
    o.willPayload = "offline";
    o.maxInflight = kMaxInflight;
    url_ = brokerUrlText(o.address);
    loadOwner();
    // The same id is the same MQTT client: a restart replaces the session a
    // crash left at the broker at once.
    o.clientId = "kordel-" + QByteArray::fromStdString(station_) + '-' + ownerId_;
    loadState();
    if (!client_.start(o, error)) {
        return false;
    }
    log_("MQTT: publishing station " + station_ + " to " + url_ + " from " +
         (read_.file == kBeforeFirstDailyFile ? std::string("the next daily file")
                                              : read_.file + " at byte " + std::to_string(read_.offset)));
    tick_.start();
    sinceStart_.start();
    unreachableTimer_.start(2500);
    return true;
}

void StationPublisher::loadOwner() {
    const std::string name = ownerFileName(station_);
    const std::string file = path(name);
    struct stat st {};
    const bool exists = ::lstat(file.c_str(), &st) == 0;
    int fd = -1;
    const IoStatus opened = openRegularForReading(file, fd);
    Fd holder(fd);
    if (opened) {
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        const QByteArray text(buffer, n > 0 ? n : 0);
        if (text.endsWith('\n') && isOwnerId(text.chopped(1))) {
            ownerId_ = text.chopped(1);
            return;
        }
    }
    ownerId_ = QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
    if (exists) {
        log_("MQTT: the owner file " + name + " is not readable; this publisher is a new owner " + ownerId_.toStdString());
    }
    if (const IoStatus saved = replaceFile(file, ownerId_.toStdString() + '\n'); !saved) {
        log_("MQTT: Error: cannot keep the owner id: " + saved.message() +
             "; after a restart the station waits until the broker forgets this one");
    }
}

void StationPublisher::loadState() {
    const std::string name = positionFileName(station_);
    const std::string statePath = path(name);
    std::optional<JournalState> saved;
    bool damaged = false;
    std::int64_t savedAt = 0;
    struct stat st {};
    if (::lstat(statePath.c_str(), &st) == 0) {
        int fd = -1;
        const IoStatus opened = openRegularForReading(statePath, fd);
        Fd file(fd);
        std::string text;
        if (opened && ::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) <= kMaxStateBytes) {
            text.resize(static_cast<std::size_t>(st.st_size));
            const ssize_t n = ::read(fd, text.data(), text.size());
            text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            saved = parseJournalState(text);
            savedAt = nanoseconds(st.st_mtim);
        }
        if (!saved) {
            damaged = true;
            log_("MQTT: the position file " + name + " is damaged (" +
                 (opened ? std::to_string(st.st_size) + " bytes that are no position" : opened.message()) +
                 "); sending every daily file from the oldest on");
        }
    }
    const std::vector<DailyFileInfo> files = listDailyFiles(folder_, true);
    folderStamp_ = folderStamp(folder_);
    for (const DailyFileInfo& f : files) {
        known_.insert(f.name);
    }
    std::vector<std::string> notes;
    const JournalState state = planJournal(saved, damaged, files, savedAt, notes);
    for (const std::string& note : notes) {
        log_("MQTT: " + note);
    }
    queue_.assign(1, state.committed);
    queue_.insert(queue_.end(), state.next.begin(), state.next.end());
    readIndex_ = 0;
    read_ = state.committed;
    window_.setCommitted(state.committed);
    saved_ = saved.value_or(JournalState{});
    // A first start records where it began before anything else happens: a
    // stop before the first acknowledgement then starts here again.
    saveState(true);
}

JournalState StationPublisher::currentState() const {
    JournalState state;
    state.committed = window_.committed();
    state.next.assign(queue_.begin() + 1, queue_.end());
    return state;
}

void StationPublisher::saveState(bool now) {
    const JournalState state = currentState();
    if (state == saved_) {
        return;
    }
    if (!now && !queueChanged_ && sinceSave_.isValid() && sinceSave_.elapsed() < kSaveIntervalMs) {
        return;
    }
    const std::string name = path(positionFileName(station_));
    const IoStatus status = replaceFile(name, formatJournalState(state));
    if (status) {
        saved_ = state;
        queueChanged_ = false;
        sinceSave_.start();
        if (std::exchange(saveFailureLogged_, false)) {
            log_("MQTT: position saved again in " + name);
        }
    } else if (!saveFailureLogged_) {
        // Publishing goes on; after a restart more lines would be sent again.
        saveFailureLogged_ = true;
        log_("MQTT: cannot save the position: " + status.message());
    }
}

void StationPublisher::lineWritten() { schedulePump(); }

bool StationPublisher::isQueued(const std::string& name) const {
    for (std::size_t i = readIndex_; i < queue_.size(); ++i) {
        if (queue_[i].file == name) {
            return true;
        }
    }
    return false;
}

void StationPublisher::queueFile(const std::string& name, std::uint64_t offset) {
    if (name < read_.file) {
        log_("MQTT: daily file " + name + " sorts before " + read_.file +
             " (the instrument's clock set back?); sending it all the same");
    }
    queue_.push_back({name, offset});
    queueChanged_ = true;
    saveState(true);
}

void StationPublisher::dailyFileStarted(const std::string& name) {
    if (!isDailyFileName(name) || isQueued(name)) {
        return;
    }
    // A file sent before and begun again (the clock set back to the very
    // second it was named after) is sent on from what it held.
    const bool sent = known_.count(name) != 0;
    known_.insert(name);
    queueFile(name, sent ? fileSize(path(name)) : 0);
    schedulePump();
}

// Lists the folder only when it changed: a new daily file the recorder did not
// name to us (a publisher that was started without the recorder's events).
bool StationPublisher::lookForNewFiles() {
    const std::int64_t stamp = folderStamp(folder_);
    if (stamp == folderStamp_) {
        return false;
    }
    folderStamp_ = stamp;
    std::vector<DailyFileInfo> files = listDailyFiles(folder_, false);
    std::sort(files.begin(), files.end(), [](const DailyFileInfo& a, const DailyFileInfo& b) { return a.name < b.name; });
    bool added = false;
    for (const DailyFileInfo& f : files) {
        if (known_.insert(f.name).second) {
            queueFile(f.name, 0);
            added = true;
        }
    }
    return added;
}

void StationPublisher::schedulePump() {
    if (!pumpScheduled_) {
        pumpScheduled_ = true;
        QMetaObject::invokeMethod(this, &StationPublisher::pump, Qt::QueuedConnection);
    }
}

void StationPublisher::pump() {
    pumpScheduled_ = false;
    atEnd_ = false;
    while (client_.isConnected() && owning_ && window_.inFlight() + 1 < static_cast<std::size_t>(kMaxInflight)) {
        if (!pumpFile() && !moveToNextFile()) {
            atEnd_ = true;
            flushJournal();
            return;
        }
    }
}

// The lines sent since the last journal message, as one message: one per
// line while live, one per kMaxBatchEntries lines while a backlog goes out.
void StationPublisher::flushJournal() {
    if (journalCount_ == 0) {
        return;
    }
    if (const auto mid = client_.publish(journalTopic_, QByteArray::fromStdString(journal_), 1, false)) {
        window_.sent(*mid, journalEnd_);
        journal_.clear();
        journalCount_ = 0;
    }
}

bool StationPublisher::moveToNextFile() {
    if (readIndex_ + 1 >= queue_.size() && !lookForNewFiles()) {
        return false;
    }
    ++readIndex_;
    read_ = queue_[readIndex_];
    return true;
}

// Reads a block of the current file from the read position on.
bool StationPublisher::refill() {
    readFile_.clear();
    readBuffer_.clear();
    int fd = -1;
    if (!openRegularForReading(path(read_.file), fd)) {
        return false;
    }
    const Fd file(fd);
    readBuffer_.resize(kReadBlock);
    const ssize_t n = ::pread(fd, readBuffer_.data(), readBuffer_.size(), static_cast<off_t>(read_.offset));
    readBuffer_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    readFile_ = read_.file;
    readStart_ = read_.offset;
    return true;
}

// Sends lines from the current file; false when it has nothing more now.
bool StationPublisher::pumpFile() {
    if (read_.file == kBeforeFirstDailyFile) {
        return false;
    }
    // Room for the lines and a journal message.
    const std::size_t room = kMaxInflight - 1 - window_.inFlight();
    // A block read once serves the pumps of many acknowledgements; the disk
    // is read again only when what is held has no whole line left.
    std::uint64_t next = read_.offset;
    for (bool refilled = false;;) {
        if (readFile_ != read_.file || read_.offset < readStart_ || read_.offset > readStart_ + readBuffer_.size()) {
            if (!refill()) {
                return false;
            }
            refilled = true;
        }
        const std::size_t at = static_cast<std::size_t>(read_.offset - readStart_);
        scratch_.clear();
        next = scanJournal(std::string_view(readBuffer_).substr(at), read_.offset, room, scratch_);
        if (!scratch_.empty() || refilled) {
            break;
        }
        if (!refill()) {
            return false;
        }
        refilled = true;
    }
    for (const JournalLine& line : scratch_) {
        if (journalCount_ == 0) {
            journalStart_ = read_;
        }
        const auto mid = client_.publish(lineTopic_, QByteArray(line.text.data(), static_cast<qsizetype>(line.text.size())),
                                         1, false);
        if (!mid) {
            // Cannot happen while connected, short of memory: try again later.
            read_.offset = line.end - kDeviceLineLength;
            return false;
        }
        // The position moves past a line only with the journal message that
        // names it: a crash before that message went out sends both again.
        window_.sent(*mid, journalStart_);
        appendJournalEntry(journal_, read_.file, line.end - kDeviceLineLength, line.text);
        journalEnd_ = {read_.file, line.end};
        if (++journalCount_ >= kMaxBatchEntries) {
            flushJournal();
        }
    }
    const bool progressed = next != read_.offset;
    read_.offset = next;
    return progressed;
}

void StationPublisher::dropCommittedFiles() {
    while (readIndex_ > 0 && queue_.front().file != window_.committed().file) {
        queue_.pop_front();
        --readIndex_;
    }
}

void StationPublisher::onPublished(int mid) {
    if (mid == offlineMid_) {
        offlineMid_ = -1;
        return;
    }
    if (replayMids_.erase(mid) != 0) {
        return;
    }
    if (window_.acknowledged(mid)) {
        dropCommittedFiles();
        emit acknowledged();
    }
    // Every acknowledgement lets the next line go: the line carries the TCP
    // acknowledgement of the broker's answers, which a broker that delays
    // small writes (Nagle) waits for; waiting for a batch's worth of room
    // stalled each batch for the peer's delayed acknowledgement.
    if (window_.inFlight() + 1 < static_cast<std::size_t>(kMaxInflight)) {
        schedulePump();
    }
}

void StationPublisher::onConnected() {
    if (!everConnected_ || awayLogged_) {
        log_(awayLogged_ ? "MQTT: broker back at " + url_ : "MQTT: connected to " + url_);
    }
    everConnected_ = true;
    awayLogged_ = false;
    // Who owns the code: the retained owner and state come before the answer
    // to the last of these subscriptions.
    owning_ = false;
    retainedOwner_.clear();
    retainedState_.clear();
    client_.subscribe(ownerTopic_, 1);
    client_.subscribe(stateTopic_, 1);
    checkMid_ = client_.subscribe(checkTopic_, 1);
}

void StationPublisher::onMessage(const QByteArray& topic, const QByteArray& payload) {
    if (topic == ownerTopic_) {
        retainedOwner_ = payload.left(200);
    } else if (topic == requestTopic_) {
        if (!owning_) {
            return;
        }
        std::vector<ReplayServer::Message> answers;
        replay_.request(std::string_view(payload.constData(), static_cast<std::size_t>(payload.size())),
                        sinceStart_.elapsed(), answers);
        for (const ReplayServer::Message& m : answers) {
            client_.publish(QByteArray::fromStdString(m.topic), QByteArray::fromStdString(m.payload), 1, false);
        }
        if (const int dropped = replay_.takeDropped(); dropped > 0) {
            droppedRequests_ += dropped;
            if (!droppedLogged_.isValid() || droppedLogged_.elapsed() >= 60000) {
                log_("MQTT: " + std::to_string(droppedRequests_) +
                     " replay request(s) dropped: not a request, or more than one every 2 s");
                droppedRequests_ = 0;
                droppedLogged_.start();
            }
        }
        if (replay_.running() && !replayTick_.isActive()) {
            replayTick_.start();
        }
    } else if (topic == stateTopic_) {
        retainedState_ = payload.left(32);
        // Another client's will (a refused publisher that crashed) must not
        // leave the owner's station "offline".
        if (owning_ && payload != "online") {
            client_.publish(stateTopic_, "online", 1, true);
        }
    }
}

void StationPublisher::onSubscribed(int mid) {
    if (!checkMid_ || mid != *checkMid_) {
        return;
    }
    checkMid_.reset();
    const QByteArray other = retainedOwner_.split(' ').value(0);
    if (!retainedOwner_.isEmpty() && other != ownerId_ && retainedState_ == "online") {
        const QString message =
            QStringLiteral("station %1 is already published by owner %2 and online; this publisher (owner %3) "
                           "leaves it alone and asks again in a minute")
                .arg(QString::fromStdString(station_), QString::fromStdString(shown(retainedOwner_)),
                     QString::fromLatin1(ownerId_));
        log_("MQTT: Error: " + message.toStdString());
        emit refused(message);
        client_.pause();
        return;
    }
    owning_ = true;
    client_.subscribe(requestTopic_, 1);
    client_.publish(ownerTopic_, ownerId_ + ' ' + QSysInfo::machineHostName().toUtf8().left(64), 1, true);
    client_.publish(stateTopic_, "online", 1, true);
    if (!activity_.isEmpty()) client_.publish(activityTopic_, activity_, 1, true);
    schedulePump();
}

void StationPublisher::publishActivity(const QByteArray& payload) {
    activity_ = payload;
    if (owning_) client_.publish(activityTopic_, activity_, 1, true);
}

void StationPublisher::onDisconnected(const QString& reason) {
    owning_ = false;
    // The watchers ask again when they are back.
    replay_.clear();
    replayMids_.clear();
    replayTick_.stop();
    if (!awayLogged_) {
        awayLogged_ = true;
        log_("MQTT: broker away (" + reason.toStdString() + "), trying again every 2 s");
    }
}

void StationPublisher::onRefused(const QString& reason) {
    // Loud and repeated (once a minute): the station records but does not
    // publish until someone mends the user, the password or the certificate.
    awayLogged_ = true;
    const QString message = QStringLiteral("%1 refused station %2: %3; recording goes on, publishing is tried "
                                           "again in a minute")
                                .arg(QString::fromStdString(url_), QString::fromStdString(station_), reason);
    log_("MQTT: Error: " + message.toStdString());
    emit refused(message);
}

void StationPublisher::onError(const QString& text) {
    if (text.contains(QLatin1String("SSL")) || text.contains(QLatin1String("TLS")) ||
        text.contains(QLatin1String("certificate"))) {
        onRefused(QStringLiteral("the broker's certificate was not accepted (%1)").arg(text));
    } else if (!awayLogged_) {
        awayLogged_ = true;
        log_("MQTT: " + text.toStdString());
    }
}

bool StationPublisher::idle() const { return window_.inFlight() == 0 && atEnd_ && !pumpScheduled_; }

// One replay message at a time, and only while every live line is handed
// over and few replay messages wait for their acknowledgement: live lines
// never queue behind a replay.
void StationPublisher::replayStep() {
    if (!replay_.running()) {
        replayTick_.stop();
        return;
    }
    if (!client_.isConnected() || !owning_ || !atEnd_ || pumpScheduled_ ||
        replayMids_.size() >= static_cast<std::size_t>(kMaxReplayInflight)) {
        return;
    }
    ReplayServer::Message m;
    if (replay_.step(m)) {
        if (const auto mid =
                client_.publish(QByteArray::fromStdString(m.topic), QByteArray::fromStdString(m.payload), 1, false)) {
            replayMids_.insert(*mid);
        }
    }
}

void StationPublisher::finish(int timeoutMs) {
    tick_.stop();
    replayTick_.stop();
    unreachableTimer_.stop();
    if (client_.isConnected() && owning_) {
        waitUntil([this] { return idle(); }, timeoutMs);
        owning_ = false;
        if (const auto mid = client_.publish(stateTopic_, "offline", 1, true)) {
            offlineMid_ = *mid;
            waitUntil([this] { return offlineMid_ == -1; }, kOfflineWaitMs);
        }
    }
    client_.stop();
    saveState(true);
    const JournalPosition& p = window_.committed();
    log_("MQTT: stopped publishing station " + station_ +
         (p.file == kBeforeFirstDailyFile ? std::string() : " at " + p.file + " byte " + std::to_string(p.offset)));
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
