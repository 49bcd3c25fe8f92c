#include "recordsession.h"

#include <iostream>

RecordSession::RecordSession(const kordel::PortSettings& port, const std::string& outputDir,
                             const std::string& logPath)
    : port_(kordel::createSerialPort(port)),
      log_(logPath),
      recorder_(outputDir, static_cast<kordel::RecorderListener&>(*this)),
      retry_(*port_) {
    connect(port_.get(), &kordel::SerialPort::dataArrived, this, &RecordSession::receive);
    connect(port_.get(), &kordel::SerialPort::failed, this, &RecordSession::onPortFailed);
    connect(&retry_, &kordel::PortRetry::reopened, this, &RecordSession::onPortReopened);
    // The daily files and the log reach the disk within about a second.
    syncTimer_.setInterval(static_cast<int>(kordel::BatchedSync::kTick.count()));
    connect(&syncTimer_, &QTimer::timeout, this, [this] {
        recorder_.syncIfDue();
        showLogStatus(log_.syncIfDue());
    });
}

bool RecordSession::start(QString& error, bool waitForPort) {
    log("Start kordel-record on " + port_->settings().portName.toStdString());
    if (!port_->open()) {
        error = port_->errorString();
        if (waitForPort) {
            onPortFailed(error);
            return true;
        }
        log("Error: " + error.toStdString());
        log("Exit kordel-record");
        return false;
    }
    recorder_.startRun();
    syncTimer_.start();
    return true;
}

void RecordSession::finish() {
    if (port_->isOpen()) {
        // What waits in the driver belongs to the recording as much as what Qt
        // has read already: closing the port now would drop it.
        port_->drain();
        receive();
    }
    recorder_.stopRun();
    port_->close();
    log("Exit kordel-record");
    syncTimer_.stop();
    showLogStatus(log_.syncNow());
}

void RecordSession::receive() {
    while (port_->isOpen() && port_->bytesAvailable() > 0) {
        const QByteArray bytes = port_->read(10240);
        if (bytes.isEmpty()) {
            break;
        }
        recorder_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

void RecordSession::onPortFailed(const QString& message) {
    log("Error: " + message.toStdString());
    std::cerr << "kordel-record: " << message.toStdString() << "; trying again every "
              << kRetryMs / 1000 << " s\n";
    recorder_.stopRun();
    retry_.start();
}

void RecordSession::onPortReopened() {
    log("Port open again: " + port_->settings().portName.toStdString());
    std::cerr << "kordel-record: " << port_->settings().portName.toStdString() << " open again\n";
    recorder_.startRun();
}

void RecordSession::onDailyFileStarted(const std::string& name) {
    std::cerr << "kordel-record: recording to " << name << '\n';
}

void RecordSession::onFileError(const std::string& message) {
    std::cerr << "kordel-record: " << message << '\n';
}

void RecordSession::log(const std::string& text) { showLogStatus(log_.write(text)); }

void RecordSession::showLogStatus(const kordel::IoStatus& status) {
    if (status) {
        logFailureShown_ = false;
    } else if (!logFailureShown_) {
        logFailureShown_ = true;
        std::cerr << "kordel-record: " << status.message() << '\n';
    }
}
