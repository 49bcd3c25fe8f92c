// The main window's side of the instrument's commands and replies: the Status
// button, the commands of the Status window and the reply collector that the
// receive handler feeds while a reply is awaited.

#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

#include "app/clock.h"
#include "app/dialogs.h"
#include "app/mainform.h"
#include "link/commandframes.h"
#include "link/statuswindow.h"
#include "link/threadsleep.h"

namespace {

QByteArray bytesOf(const std::string& frame) {
    return QByteArray(frame.data(), static_cast<qsizetype>(frame.size()));
}

// The pause between the two frames of Set time, which the instrument needs to
// take the first one in.
constexpr int kSetTimePauseMs = 500;

}  // namespace

void TMainForm::SpeedButton5Click() {
    statusLoaded_ = false;
    WriteLog(QStringLiteral("Button: Status"));
    linkState_ = AwaitStatus;
    statusReplyCount_ = 0;
    if (!openPort(true) || !sendToPort(bytesOf(kordel::statusRequestFrame()))) {
        return;
    }
    if (Form6) {
        Form6->showInFront();
    }
}

void TMainForm::requestDateTime() {
    linkState_ = AwaitDateTime;
    dateTimeReplyCount_ = 0;
    if (openPort(false)) {
        sendToPort(bytesOf(kordel::dateTimeRequestFrame()));
    }
}

void TMainForm::setInstrumentTime() {
    // A question closed without an answer counts as No: an answer given to an
    // earlier question must not set the clock now.
    answerFlag_ = false;
    answerFlag_ = kordel::dialogs().yesNo(
        this, QStringLiteral("Set time?"),
        QStringLiteral("Set the instrument's clock to this computer's date and time?"));
    if (!answerFlag_) {
        return;
    }
    linkState_ = TimeSet;
    WriteLog(QStringLiteral("Set time mode"));
    const kordel::CivilDateTime now = kordel::localNow();
    if (!openPort(false) || !sendToPort(bytesOf(kordel::setDateTimeFrame(now)))) {
        return;
    }
    kordel::threadSleep(kSetTimePauseMs);
    sendToPort(bytesOf(kordel::setYearFrame(now.year)));
}

void TMainForm::chooseSaveTarget(bool flash) {
    // A choice made by a status reply, or before one has been applied, only
    // shows the instrument's setting.
    if (!statusLoaded_) {
        return;
    }
    linkState_ = AwaitSaveAck;
    saveTargetReplyCount_ = 0;
    WriteLog(flash ? QStringLiteral("Set: Save data: Flash") : QStringLiteral("Set: Save data: PC"));
    if (openPort(false)) {
        sendToPort(bytesOf(kordel::saveTargetFrame(flash)));
    }
}

void TMainForm::closeStatusWindow() {
    linkState_ = Idle;
    SpeedButton5->setEnabled(true);
}

void TMainForm::CollectReply(const QByteArray& bytes) {
    using Outcome = kordel::CollectResult::Outcome;
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    kordel::ReplyKind kind = kordel::ReplyKind::Status;
    std::uint16_t* count = &statusReplyCount_;
    if (linkState_ == AwaitDateTime) {
        kind = kordel::ReplyKind::DateTime;
        count = &dateTimeReplyCount_;
    } else if (linkState_ == AwaitSaveAck) {
        kind = kordel::ReplyKind::SaveTarget;
        count = &saveTargetReplyCount_;
    } else if (linkState_ != AwaitStatus) {
        return;
    }
    const kordel::CollectResult result = replies_.collect(kind, *count, view);
    if (result.outcome == Outcome::Overrun) {
        linkState_ = Idle;
        return;
    }
    WriteLog(QString::fromStdString(result.logText));
    switch (kind) {
    case kordel::ReplyKind::DateTime:
        applyDateTimeReply(result.outcome);
        break;
    case kordel::ReplyKind::SaveTarget:
        if (result.outcome == Outcome::Complete) {
            linkState_ = Idle;
        }
        break;
    case kordel::ReplyKind::Status:
        if (result.outcome == Outcome::Complete) {
            applyStatusReply();
        }
        break;
    }
}

void TMainForm::applyDateTimeReply(kordel::CollectResult::Outcome outcome) {
    using Outcome = kordel::CollectResult::Outcome;
    if (outcome == Outcome::Complete && !kordel::dateTimeIsBcd(replies_)) {
        // Eight bytes that are no clock (a data line taken as the reply): logged
        // as invalid, never shown as a date.
        if (Form6) {
            Form6->Edit2->setText(QStringLiteral("??"));
        }
        linkState_ = Idle;
        WriteLog(QStringLiteral("Kordel: Error datetime (") +
                 QString::fromStdString(kordel::dateTimeText(replies_)) + QStringLiteral(")"));
        return;
    }
    if (outcome == Outcome::Complete) {
        const QString text = QString::fromStdString(kordel::dateTimeText(replies_));
        if (Form6) {
            Form6->Edit2->setText(text);
        }
        linkState_ = Idle;
        WriteLog(text);
        return;
    }
    if (Form6) {
        Form6->Edit2->setText(QStringLiteral("??"));
    }
    if (outcome == Outcome::TooLong) {
        linkState_ = Idle;
    }
}

void TMainForm::applyStatusReply() {
    const kordel::StatusInfo status = kordel::decodeStatus(replies_);
    linkState_ = Idle;
    WriteLog(QString::fromStdString(status.gpsText));
    WriteLog(QString::fromStdString(status.averageText));
    const QString mode = QString::fromStdString(status.modeText);
    if (Form6) {
        Form6->Edit1->setText(mode);
    }
    WriteLog(mode);
    // The status-loaded flag is still false: selecting here sends nothing.
    if (Form6) {
        Form6->showSaveTarget(status.saveToFlash);
    }
    WriteLog(QString::fromStdString(status.saveTargetText));
    if (status.modeOff) {
        // The clock is read on its own only while the instrument is off.
        linkState_ = AwaitDateTime;
        dateTimeReplyCount_ = 0;
        if (!sendToPort(bytesOf(kordel::dateTimeRequestFrame()))) {
            return;
        }
    } else if (Form6) {
        Form6->Edit2->clear();
    }
    if (Form6) {
        Form6->showInFront();
    }
    statusLoaded_ = true;
}
