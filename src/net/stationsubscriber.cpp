#include "net/stationsubscriber.h"

#include <QDateTime>
#include <QRandomGenerator>

#include "link/deviceline.h"
#include "net/activitymessage.h"

namespace kordel {

namespace {

std::string_view view(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

StationSubscriber::StationSubscriber(QObject* parent) : QObject(parent) {
    plainTimer_.setSingleShot(true);
    connect(&plainTimer_, &QTimer::timeout, this, [this] {
        const QList<QByteArray> lines = std::exchange(plainLines_, {});
        for (const QByteArray& line : lines) {
            emit lineReceived(line);
        }
    });
    replayTimer_.setSingleShot(true);
    connect(&replayTimer_, &QTimer::timeout, this, [this] {
        if (!pending_ || !isConnected()) {
            return;
        }
        if (attempts_ >= kMaxAttempts) {
            finishReplay(QStringLiteral("no answer"));
        } else {
            ask();
        }
    });
}

void StationSubscriber::setHeld(const LineCoverage& coverage, const std::optional<JournalPosition>& last) {
    coverage_ = coverage;
    last_ = last;
}

bool StationSubscriber::start(const MqttOptions& options, const QString& station, QString& error) {
    stop();
    const QByteArray code = station.toUtf8();
    lineTopic_ = QByteArray::fromStdString(lineTopic(station.toStdString()));
    stateTopic_ = QByteArray::fromStdString(stateTopic(station.toStdString()));
    journalTopic_ = "kordel/" + code + "/journal";
    requestTopic_ = "kordel/" + code + "/replay/request";
    // A fresh id for every watching: answers to another watcher, or to an
    // earlier run of this one, are never taken for this one's.
    id_ = QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0').toStdString();
    answerTopic_ = "kordel/" + code + "/replay/" + QByteArray::fromStdString(id_);
    activityTopic_ = QByteArray::fromStdString(activityTopic(station.toStdString()));
    everConnected_ = false;
    journalSeen_ = false;
    pending_ = false;
    held_.clear();
    client_ = std::make_unique<MqttClient>();
    connect(client_.get(), &MqttClient::connected, this, &StationSubscriber::onConnected);
    connect(client_.get(), &MqttClient::disconnected, this, [this] {
        replayTimer_.stop();
        emit connectionChanged(false);
    });
    connect(client_.get(), &MqttClient::unreachable, this, &StationSubscriber::unreachable);
    connect(client_.get(), &MqttClient::messagesDropped, this, &StationSubscriber::messagesDropped);
    connect(client_.get(), &MqttClient::oversized, this, [this](const QByteArray& topic, int bytes) {
        if (topic == lineTopic_ || topic == journalTopic_) {
            emit notALine(bytes);
        } else if (topic == activityTopic_) {
            emit activityOversized(bytes);
        }
    });
    connect(client_.get(), &MqttClient::refused, this, [this](int, const QString& reason) { emit refused(reason); });
    connect(client_.get(), &MqttClient::errorLogged, this, [this](const QString& text) {
        if (!everConnected_ && (text.contains(QLatin1String("SSL")) || text.contains(QLatin1String("certificate")))) {
            emit refused(QStringLiteral("the broker's certificate was not accepted (%1)").arg(text));
        }
    });
    connect(client_.get(), &MqttClient::messageReceived, this, &StationSubscriber::onMessage);
    MqttOptions o = options;
    o.maxPayload = kMaxBatchBytes;
    if (!client_->start(o, error)) {
        client_.reset();
        return false;
    }
    return true;
}

void StationSubscriber::stop() {
    replayTimer_.stop();
    plainTimer_.stop();
    plainLines_.clear();
    pending_ = false;
    if (client_) {
        client_->stop();
        // stop() is also reached from the client's own signals (a refusal ends
        // the watching): the client is deleted once that signal has returned,
        // and tells this subscriber nothing more meanwhile.
        // Held as a child meanwhile, so that it goes with the subscriber at the latest.
        client_->disconnect(this);
        client_->setParent(this);
        client_.release()->deleteLater();
    }
}

void StationSubscriber::onConnected() {
    // A clean session forgets subscriptions: subscribe on every connection.
    // The broker takes them before the request that follows, so the answer
    // finds its subscription.
    client_->subscribe(lineTopic_, 1);
    client_->subscribe(stateTopic_, 1);
    client_->subscribe(journalTopic_, 1);
    client_->subscribe(answerTopic_, 1);
    client_->subscribe(activityTopic_, 1);
    everConnected_ = true;
    emit connectionChanged(true);
    if (last_ || historyHours_ > 0) {
        // What was published while this watcher was away is asked for; live
        // lines wait until the answer is in.
        pending_ = true;
        attempts_ = 0;
        ask();
    }
}

void StationSubscriber::ask() {
    ReplayRequest request;
    request.id = id_;
    request.number = ++number_;
    if (last_) {
        request.kind = ReplayRequest::Kind::After;
        request.after = *last_;
    } else {
        request.kind = ReplayRequest::Kind::Since;
        // The instrument keeps local time, as the daily files' names do.
        request.since = QDateTime::currentDateTime()
                            .addSecs(-3600LL * historyHours_)
                            .toString(QStringLiteral("yyyyMMddHHmmss"))
                            .toStdString();
    }
    ++attempts_;
    answered_ = false;
    client_->publish(requestTopic_, QByteArray::fromStdString(formatReplayRequest(request)), 1, false);
    replayTimer_.start(kReplayTimeoutMs);
}

void StationSubscriber::finishReplay(const QString& how) {
    replayTimer_.stop();
    pending_ = false;
    std::deque<JournalEntry> held;
    held.swap(held_);
    for (const JournalEntry& e : held) {
        deliver(e);
    }
    emit replayEnded(how);
    if (std::exchange(heldOverflow_, false) && isConnected()) {
        // Live lines were dropped while waiting: they are asked for again.
        pending_ = true;
        attempts_ = 0;
        ask();
    }
}

void StationSubscriber::deliver(const JournalEntry& e) {
    if (!coverage_.insert(e.file, e.offset)) {
        return;
    }
    last_ = JournalPosition{e.file, e.offset + kDeviceLineLength};
    emit entryReceived(e);
    emit lineReceived(QByteArray(e.line.data(), static_cast<qsizetype>(e.line.size())));
}

void StationSubscriber::onJournal(const QByteArray& payload) {
    std::vector<JournalEntry> entries;
    if (!parseJournalEntries(view(payload), entries)) {
        emit notALine(static_cast<int>(payload.size()));
        return;
    }
    journalSeen_ = true;
    plainLines_.clear();
    plainTimer_.stop();
    for (JournalEntry& e : entries) {
        if (!pending_) {
            deliver(e);
        } else if (held_.size() < kMaxHeld) {
            held_.push_back(std::move(e));
        } else {
            heldOverflow_ = true;
        }
    }
}

void StationSubscriber::onAnswer(const QByteArray& payload) {
    const auto answer = parseReplayAnswer(view(payload));
    if (!answer) {
        emit notALine(static_cast<int>(payload.size()));
        return;
    }
    if (!pending_ || answer->number != number_) {
        return;  // an answer to an earlier request, asked again since
    }
    replayTimer_.start(kReplayTimeoutMs);
    answered_ = true;
    switch (answer->kind) {
    case ReplayAnswer::Kind::Lines:
        for (const JournalEntry& e : answer->entries) {
            deliver(e);
        }
        break;
    case ReplayAnswer::Kind::End: finishReplay(QStringLiteral("end")); break;
    case ReplayAnswer::Kind::Cut:
        // The station's span limit: the rest is asked for after the last line.
        attempts_ = 0;
        ask();
        break;
    case ReplayAnswer::Kind::Busy:
        replayTimer_.start(kBusyRetryMs);
        break;
    case ReplayAnswer::Kind::Unknown:
        // The station no longer has the file of the last line held: the
        // history is asked for instead, or nothing.
        last_.reset();
        if (historyHours_ > 0) {
            attempts_ = 0;
            ask();
        } else {
            finishReplay(QStringLiteral("unknown"));
        }
        break;
    }
}

void StationSubscriber::onMessage(const QByteArray& topic, const QByteArray& payload, bool retained) {
    if (topic == journalTopic_) {
        onJournal(payload);
    } else if (topic == answerTopic_) {
        onAnswer(payload);
    } else if (payload.size() > kMaxMessage) {
        // The client takes batches up to kMaxBatchBytes; the other topics keep their own limit.
        if (topic == lineTopic_) {
            emit notALine(static_cast<int>(payload.size()));
        } else if (topic == activityTopic_) {
            emit activityOversized(static_cast<int>(payload.size()));
        }
    } else if (topic == stateTopic_) {
        QString state;
        for (const char c : payload.left(32)) {
            state += (c >= 0x20 && c < 0x7F) ? QChar::fromLatin1(c) : QChar(u'?');
        }
        emit stateChanged(state);
        // A station that has just come online (not the retained state that
        // comes with the subscription) can answer a request it missed.
        if (payload == "online" && !retained && pending_ && !answered_ && isConnected()) {
            attempts_ = 0;
            ask();
        }
    } else if (topic == activityTopic_) {
        emit activityReceived(payload);
    } else if (topic == lineTopic_) {
        if (journalSeen_) {
            return;  // the journal carries the same lines with their places
        }
        if (payload.size() == static_cast<qsizetype>(kDeviceLineLength - 2) && !payload.contains('\n') &&
            !payload.contains('\r')) {
            // Shown a little later, unless the journal message that follows
            // its line turns up meanwhile: then it comes from there.
            if (static_cast<std::size_t>(plainLines_.size()) < kMaxHeld) {
                plainLines_.append(payload);
            }
            if (!plainTimer_.isActive()) {
                plainTimer_.start(kPlainLineWaitMs);
            }
        } else {
            emit notALine(static_cast<int>(payload.size()));
        }
    }
}

}  // namespace kordel
