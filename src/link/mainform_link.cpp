// The main window's end of the serial line: the receive handler, the port
// set-up menu, Record and Stop.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "app/capability.h"
#include "app/errorreport.h"
#include "app/mainform.h"
#include "charts/chartview.h"
#include "app/dialogs.h"
#include "link/recordingrun.h"
#include "net/remotestation.h"

void TMainForm::ComPortRxChar() {
    if (const auto text = arrow_.step()) {
        Panel8->setText(QString::fromStdString(*text));
    }
    if (linkState() != Recording && linkState() != AwaitDateTime && linkState() != AwaitSaveAck &&
        linkState() != AwaitStatus) {
        SpeedButton5->setEnabled(false);
    }
    // The link state says whose the bytes are.
    if (linkState() == Recording) {
        run_->receive();
    } else {
        session_->receive();
    }
}

void TMainForm::closeSerialPort() {
    if (ComPort1) {
        ComPort1->close();
    }
}

void TMainForm::onPortFailed(const QString& message) {
    // The adapter has closed the port already: every complete line is on disk,
    // and Record (or any command) opens it again. A recording run tries the
    // same port again on its own until it is back or Stop is pressed.
    reportError(message);
}

void TMainForm::connectRecordingRun() {
    run_ = new kordel::RecordingRun(*ComPort1, std::string(), this);
    run_->setObjectName(QStringLiteral("RecordingRun"));
    kordel::RecorderEvents& events = run_->events();
    // The charts, the log, the error report and the state panel each listen on their own.
    connectCharts(events);
    connect(&events, &kordel::RecorderEvents::dailyFileStarted, StatusPanel[3], [this](const std::string& name) {
        // Where the recording goes: the recordings folder, or the working directory of the moment.
        const QDir folder(QString::fromStdString(run_->outputDir()));
        StatusPanel[3]->setText(folder.absoluteFilePath(QString::fromStdString(name)));
    });
    connect(run_, &kordel::RecordingRun::waitingForPort, StatusPanel[3], [this](const QString& name) {
        StatusPanel[3]->setText(QStringLiteral("Waiting for ") + name + QStringLiteral("..."));
    });
    connect(run_, &kordel::RecordingRun::portReopened, StatusPanel[3], &QLabel::clear);
    connect(run_, &kordel::RecordingRun::portReopened, &kordel::ErrorReport::instance(),
            &kordel::ErrorReport::withdrawPortFailures);  // the failure's box closes; the log keeps it
}

void TMainForm::connectCharts(kordel::RecorderEvents& events) {
    connect(&events, &kordel::RecorderEvents::dailyFileStarted, this, &TMainForm::onDailyFileStarted);
    connect(&events, &kordel::RecorderEvents::sampleDecoded, this, &TMainForm::onSample);
    connect(&events, &kordel::RecorderEvents::logEntry, this, &TMainForm::onLog);
    connect(&events, &kordel::RecorderEvents::fileError, this, &TMainForm::onFileError);
}

std::uint8_t TMainForm::currentDay() const { return run_->recorder().currentDay(); }

std::int32_t TMainForm::lineCount() const { return run_->recorder().lineCount(); }

std::uint16_t TMainForm::blockPosition() const {
    return static_cast<std::uint16_t>(run_->recorder().pendingBytes() + 1);
}

void TMainForm::N24Click() {
    session_->setState(Idle);
    if (const auto chosen = kordel::dialogs().portSetup(this, ComPort1->settings())) {
        // A port that was open is opened again with the new settings; one that
        // will not open is reported now, not at the next command.
        const bool wasOpen = ComPort1->isOpen();
        ComPort1->close();
        ComPort1->setSettings(*chosen);
        if (wasOpen) {
            openPort(false);
        }
    }
    WriteLog(QStringLiteral("Comport: ") + ComPort1->settings().portName);
}

void TMainForm::setRecordingLocks(bool recording) {
    const bool enabled = !recording;
    charts_->setRecording(recording, remote_->watching());
    for (QWidget* w : {static_cast<QWidget*>(SpeedButton5), static_cast<QWidget*>(SpeedButton6)}) {
        w->setEnabled(enabled);
    }
    N5->menuAction()->setEnabled(enabled);
    for (kordel::Capability* c : capabilities_) {
        c->setRecording(recording);
    }
    N24->setEnabled(enabled);
}

void TMainForm::SpeedButton8Click() {
    session_->setState(Recording);
    run_->start();  // line count 0, block position 1
    SpeedButton8->setEnabled(false);
    if (!openPort(true)) {
        // Nothing is recorded: back to Idle with every control usable, and no
        // run that a later port failure would try to resume.
        run_->stop();
        session_->setState(Idle);
        SpeedButton8->setEnabled(true);
        return;
    }
    charts_->ClearCharts();
    setRecordingLocks(true);
    charts_->CrossMouseCB->setChecked(false);
    WriteLog(QStringLiteral("Button: Record"));
}

void TMainForm::SpeedButton7Click() {
    if (remote_->watching()) {
        // Stop ends the watching; the port is not this run's business.
        remote_->stop();
        WriteLog(QStringLiteral("Button: Stop"));
        return;
    }
    // Stop frees the controls even when the port will not open: otherwise a
    // missing adapter would leave Record locked for good. It ends the waiting
    // for a failed port too.
    StatusPanel[3]->clear();
    StatusPanel[0]->clear();  // the latest sample belongs to the run
    openPort(true);
    run_->stop();  // current day 0: the next Record starts a new daily file
    SpeedButton8->setEnabled(true);
    setRecordingLocks(false);
    session_->setState(Idle);
    WriteLog(QStringLiteral("Button: Stop"));
}
