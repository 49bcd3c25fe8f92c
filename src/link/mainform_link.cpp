// The main window's end of the serial line: the receive handler, the port
// set-up menu, Record and Stop.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "app/errorreport.h"
#include "app/mainform.h"
#include "app/dialogs.h"
#include "net/remotestation.h"
#include "link/portretry.h"

namespace {
// Bytes taken from the port per read; a larger backlog is read in portions.
constexpr qint64 kReceiveBuffer = 10240;
}  // namespace

void TMainForm::ComPortRxChar() {
    if (const auto text = arrow_.step()) {
        Panel8->setText(QString::fromStdString(*text));
    }
    if (linkState_ != Recording && linkState_ != AwaitDateTime && linkState_ != AwaitSaveAck &&
        linkState_ != AwaitStatus) {
        SpeedButton5->setEnabled(false);
    }
    while (ComPort1->isOpen() && ComPort1->bytesAvailable() > 0) {
        const QByteArray bytes = ComPort1->read(kReceiveBuffer);
        if (bytes.isEmpty()) {
            break;
        }
        switch (linkState_) {
        case Recording:
            recorder_->feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            break;
        case AwaitDateTime:
        case AwaitSaveAck:
        case AwaitStatus:
            CollectReply(bytes);
            break;
        default:
            break;  // Idle and TimeSet drop what arrives
        }
    }
}

bool TMainForm::openPort(bool resetBaud) {
    if (resetBaud) {
        ComPort1->setBaudRate(9600);
    }
    if (ComPort1->isOpen() || ComPort1->open()) {
        return true;
    }
    WriteLog(QStringLiteral("Error: ") + ComPort1->errorString());
    kordel::ErrorReport::instance().report(ComPort1->errorString());
    return false;
}

bool TMainForm::sendToPort(const QByteArray& frame) {
    if (ComPort1->write(frame)) {
        return true;
    }
    WriteLog(QStringLiteral("Error: ") + ComPort1->errorString());
    kordel::ErrorReport::instance().report(ComPort1->errorString());
    return false;
}

void TMainForm::closeSerialPort() {
    if (ComPort1) {
        ComPort1->close();
    }
}

void TMainForm::onPortFailed(const QString& message) {
    // The adapter has closed the port already: every complete line is on disk,
    // and Record (or any command) opens it again.
    WriteLog(QStringLiteral("Error: ") + message);
    kordel::ErrorReport::instance().report(message);
    if (linkState_ == Recording) {
        // The run ends here; the same port is tried again until it is back
        // (then a new run starts) or Stop is pressed.
        recorder_->stopRun();
        portRetry_->start();
        StatusPanel[3]->setText(QStringLiteral("Waiting for ") + portName() + QStringLiteral("..."));
    }
}

void TMainForm::onPortReopened() {
    WriteLog(QStringLiteral("Port open again: ") + portName());
    StatusPanel[3]->clear();
    recorder_->startRun();  // the next valid line starts a new daily file
}

void TMainForm::N24Click() {
    linkState_ = Idle;
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
    for (QWidget* w : {static_cast<QWidget*>(SpeedButton5), static_cast<QWidget*>(SpeedButton6),
                       static_cast<QWidget*>(SpeedButton3), static_cast<QWidget*>(SpeedButton9),
                       static_cast<QWidget*>(SpeedButton10), static_cast<QWidget*>(CrossMouseCB), XZoomler}) {
        w->setEnabled(enabled);
    }
    for (QWidget* z : Zoomler) {
        z->setEnabled(enabled);
    }
    N5->menuAction()->setEnabled(enabled);
    N24->setEnabled(enabled);
    remote_->action()->setEnabled(enabled);
}

void TMainForm::SpeedButton8Click() {
    linkState_ = Recording;
    recorder_->startRun();  // line count 0, block position 1
    SpeedButton8->setEnabled(false);
    if (!openPort(true)) {
        // Nothing is recorded: back to Idle with every control usable.
        linkState_ = Idle;
        SpeedButton8->setEnabled(true);
        return;
    }
    ClearCharts();
    setRecordingLocks(true);
    CrossMouseCB->setChecked(false);
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
    portRetry_->stop();
    StatusPanel[3]->clear();
    openPort(true);
    recorder_->stopRun();  // current day 0: the next Record starts a new daily file
    XZoomler->setEnabled(true);
    SpeedButton8->setEnabled(true);
    setRecordingLocks(false);
    linkState_ = Idle;
    WriteLog(QStringLiteral("Button: Stop"));
}
