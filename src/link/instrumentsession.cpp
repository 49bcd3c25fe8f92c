#include "link/instrumentsession.h"

#include "link/commandframes.h"
#include "link/serialport.h"

namespace kordel {

namespace {

QByteArray bytesOf(const std::string& frame) {
    return QByteArray(frame.data(), static_cast<qsizetype>(frame.size()));
}

}  // namespace

InstrumentSession::InstrumentSession(SerialPort& port, QObject* parent) : QObject(parent), port_(port) {
    pause_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, &InstrumentSession::pump);
}

bool InstrumentSession::openPort(bool resetBaud) {
    if (resetBaud) {
        port_.setBaudRate(9600);
    }
    if (port_.isOpen() || port_.open()) {
        return true;
    }
    emit portError(port_.errorString());
    return false;
}

bool InstrumentSession::send(const QByteArray& frame, int pauseAfterMs) {
    outgoing_.push_back({frame, pauseAfterMs});
    return pump();
}

bool InstrumentSession::pump() {
    while (!pause_.isActive() && !outgoing_.empty()) {
        const Outgoing next = outgoing_.front();
        outgoing_.pop_front();
        if (!port_.write(next.frame)) {
            outgoing_.clear();
            emit portError(port_.errorString());
            return false;
        }
        if (next.pauseAfterMs > 0) {
            pause_.start(next.pauseAfterMs);
        }
    }
    return true;
}

bool InstrumentSession::requestStatus() {
    statusLoaded_ = false;
    state_ = AwaitStatus;
    statusReplyCount_ = 0;
    return openPort(true) && send(bytesOf(statusRequestFrame()));
}

void InstrumentSession::requestDateTime() {
    state_ = AwaitDateTime;
    dateTimeReplyCount_ = 0;
    if (openPort(false)) {
        send(bytesOf(dateTimeRequestFrame()));
    }
}

void InstrumentSession::setTime(const CivilDateTime& now) {
    state_ = TimeSet;
    emit logEntry(QStringLiteral("Set time mode"));
    // One reading of the clock for both frames: a second passing between them
    // must not put the year of a new day after the time of the old one.
    if (!openPort(false) || !send(bytesOf(setDateTimeFrame(now)), kSetTimePauseMs)) {
        return;
    }
    send(bytesOf(setYearFrame(now.year)));
}

void InstrumentSession::chooseSaveTarget(bool flash) {
    // A choice made by a status reply, or before one has been applied, only
    // shows the instrument's setting.
    if (!statusLoaded_) {
        return;
    }
    state_ = AwaitSaveAck;
    saveTargetReplyCount_ = 0;
    emit logEntry(flash ? QStringLiteral("Set: Save data: Flash") : QStringLiteral("Set: Save data: PC"));
    if (openPort(false)) {
        send(bytesOf(saveTargetFrame(flash)));
    }
}

void InstrumentSession::receive() {
    // A reply that completes returns to Idle: what follows it in the same
    // event is dropped.
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        const QByteArray bytes = port_.read(kReceiveBuffer);
        if (bytes.isEmpty()) {
            break;
        }
        collect(bytes);
    }
}

void InstrumentSession::collect(const QByteArray& bytes) {
    using Outcome = CollectResult::Outcome;
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    ReplyKind kind = ReplyKind::Status;
    std::uint16_t* count = &statusReplyCount_;
    if (state_ == AwaitDateTime) {
        kind = ReplyKind::DateTime;
        count = &dateTimeReplyCount_;
    } else if (state_ == AwaitSaveAck) {
        kind = ReplyKind::SaveTarget;
        count = &saveTargetReplyCount_;
    } else if (state_ != AwaitStatus) {
        return;
    }
    const CollectResult result = replies_.collect(kind, *count, view);
    if (result.outcome == Outcome::Overrun) {
        state_ = Idle;
        return;
    }
    emit logEntry(QString::fromStdString(result.logText));
    switch (kind) {
    case ReplyKind::DateTime:
        applyDateTimeReply(result.outcome);
        break;
    case ReplyKind::SaveTarget:
        if (result.outcome == Outcome::Complete) {
            state_ = Idle;
        }
        break;
    case ReplyKind::Status:
        if (result.outcome == Outcome::Complete) {
            applyStatusReply();
        }
        break;
    }
}

void InstrumentSession::applyDateTimeReply(CollectResult::Outcome outcome) {
    using Outcome = CollectResult::Outcome;
    if (outcome == Outcome::Complete && !dateTimeIsBcd(replies_)) {
        // Eight bytes that are no clock (a data line taken as the reply): logged
        // as invalid, never shown as a date.
        emit dateTimeShown(QStringLiteral("??"));
        state_ = Idle;
        emit logEntry(QStringLiteral("Kordel: Error datetime (") + QString::fromStdString(dateTimeText(replies_)) +
                      QStringLiteral(")"));
        return;
    }
    if (outcome == Outcome::Complete) {
        const QString text = QString::fromStdString(dateTimeText(replies_));
        emit dateTimeShown(text);
        state_ = Idle;
        emit logEntry(text);
        return;
    }
    emit dateTimeShown(QStringLiteral("??"));
    if (outcome == Outcome::TooLong) {
        state_ = Idle;
    }
}

void InstrumentSession::applyStatusReply() {
    const StatusInfo status = decodeStatus(replies_);
    state_ = Idle;
    emit logEntry(QString::fromStdString(status.gpsText));
    emit logEntry(QString::fromStdString(status.averageText));
    const QString mode = QString::fromStdString(status.modeText);
    emit modeShown(mode);
    emit logEntry(mode);
    // The status-loaded flag is still false: the choice shown here sends nothing.
    emit saveTargetShown(status.saveToFlash);
    emit logEntry(QString::fromStdString(status.saveTargetText));
    if (status.modeOff) {
        // The clock is read on its own only while the instrument is off.
        state_ = AwaitDateTime;
        dateTimeReplyCount_ = 0;
        if (!send(bytesOf(dateTimeRequestFrame()))) {
            return;
        }
    } else {
        emit dateTimeShown(QString());
    }
    emit statusShown();
    statusLoaded_ = true;
}

}  // namespace kordel
