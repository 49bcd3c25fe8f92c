// The main window's side of the instrument session: the Status button, the
// question before Set time, the Close button of the Status window, and the log
// entries and port errors the session tells of.

#include <QToolButton>

#include "app/clock.h"
#include "app/dialogs.h"
#include "app/errorreport.h"
#include "app/mainform.h"
#include "link/instrumentsession.h"
#include "link/statuswindow.h"

void TMainForm::connectInstrumentSession() {
    session_ = new kordel::InstrumentSession(*ComPort1, this);
    session_->setObjectName(QStringLiteral("InstrumentSession"));
    connect(session_, &kordel::InstrumentSession::logEntry, this, &TMainForm::WriteLog);
    connect(session_, &kordel::InstrumentSession::portError, this, &TMainForm::reportError);
}

void TMainForm::reportError(const QString& message) {
    WriteLog(QStringLiteral("Error: ") + message);
    kordel::ErrorReport::instance().report(message, kordel::ErrorReport::Kind::PortFailure);
}

void TMainForm::SpeedButton5Click() {
    WriteLog(QStringLiteral("Button: Status"));
    if (session_->requestStatus() && Form6) {
        Form6->showInFront();
    }
}

void TMainForm::createStatusWindow() {
    Form6 = new TForm6(*session_, [this] {
        // A question closed without an answer counts as No: an answer given to
        // an earlier question must not set the clock now.
        answerFlag_ = false;
        answerFlag_ = kordel::dialogs().yesNo(
            this, QStringLiteral("Set time?"),
            TForm6::setTimeQuestion(kordel::localNow()));
        return answerFlag_;
    }, this);
    connect(Form6, &TForm6::closedByButton, SpeedButton5, [this] { SpeedButton5->setEnabled(true); });
}

std::uint16_t TMainForm::linkState() const { return session_->state(); }

void TMainForm::setLinkState(std::uint16_t state) { session_->setState(state); }

std::uint16_t TMainForm::dateTimeReplyCount() const { return session_->dateTimeReplyCount(); }

bool TMainForm::openPort(bool resetBaud) { return session_->openPort(resetBaud); }

