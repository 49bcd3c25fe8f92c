#include "link/recordingrun.h"

#include "link/serialport.h"

namespace kordel {

RecordingRun::RecordingRun(SerialPort& port, const std::string& outputDir, QObject* parent)
    : QObject(parent), port_(port), recorder_(outputDir, events_), retry_(new PortRetry(port, this)) {
    retry_->setObjectName(QStringLiteral("PortRetry"));
    connect(&port_, &SerialPort::failed, this, &RecordingRun::onPortFailed);
    connect(retry_, &PortRetry::reopened, this, &RecordingRun::onPortReopened);
    // The daily files reach the disk within about a second of a write.
    syncTimer_.setInterval(static_cast<int>(BatchedSync::kTick.count()));
    connect(&syncTimer_, &QTimer::timeout, this, [this] { recorder_.syncIfDue(); });
    syncTimer_.start();
    recorder_.startRun();  // block position 1
}

void RecordingRun::start() {
    running_ = true;
    recorder_.startRun();  // line count 0, block position 1
}

void RecordingRun::startWaiting() {
    running_ = true;
    retry_->start();
    emit waitingForPort(port_.settings().portName);
}

void RecordingRun::receive() {
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        const QByteArray bytes = port_.read(kReceiveBuffer);
        if (bytes.isEmpty()) {
            break;
        }
        recorder_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

void RecordingRun::drain() {
    if (port_.isOpen()) {
        // What waits in the driver belongs to the recording as much as what Qt
        // has read already: closing the port now would drop it.
        port_.drain();
        receive();
    }
}

void RecordingRun::stop() {
    running_ = false;
    retry_->stop();
    recorder_.stopRun();  // current day 0: the next run starts a new daily file
}

void RecordingRun::onPortFailed() {
    // The port is closed already: every complete line is on the disk.
    if (!running_) {
        return;
    }
    recorder_.stopRun();
    retry_->start();
    emit waitingForPort(port_.settings().portName);
}

void RecordingRun::onPortReopened() {
    const QString name = port_.settings().portName;
    events_.onLog("Port open again: " + name.toStdString());
    recorder_.startRun();  // the next valid line starts a new daily file
    emit portReopened(name);
}

}  // namespace kordel
