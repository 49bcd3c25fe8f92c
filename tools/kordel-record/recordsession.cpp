#include "recordsession.h"

#include <iostream>

RecordSession::RecordSession(const kordel::PortSettings& port, const std::string& outputDir,
                             const std::string& logPath)
    : port_(kordel::createSerialPort(port)), log_(logPath) {
    // Before the run exists: the failure is logged before the run ends.
    connect(port_.get(), &kordel::SerialPort::failed, this, &RecordSession::onPortFailed);
    run_ = std::make_unique<kordel::RecordingRun>(*port_, outputDir);
    connect(port_.get(), &kordel::SerialPort::dataArrived, run_.get(), &kordel::RecordingRun::receive);
    kordel::RecorderEvents& events = run_->events();
    connect(&events, &kordel::RecorderEvents::logEntry, this, &RecordSession::log);
    connect(&events, &kordel::RecorderEvents::dailyFileStarted, this,
            [](const std::string& name) { std::cerr << "kordel-record: recording to " << name << '\n'; });
    connect(&events, &kordel::RecorderEvents::fileError, this,
            [](const std::string& message) { std::cerr << "kordel-record: " << message << '\n'; });
    connect(run_.get(), &kordel::RecordingRun::portReopened, this, [this](const QString& name) {
        if (!announced_) {
            announce();  // waited for since the start: this is the first opening
            return;
        }
        std::cerr << "kordel-record: " << name.toStdString() << " open again\n";
    });
    // The log reaches the disk within about a second (the run syncs the daily files).
    syncTimer_.setInterval(static_cast<int>(kordel::BatchedSync::kTick.count()));
    connect(&syncTimer_, &QTimer::timeout, this, [this] { showLogStatus(log_.syncIfDue()); });
}

bool RecordSession::start(QString& error, bool waitForPort) {
    log("Start kordel-record on " + port_->settings().portName.toStdString());
    if (!port_->open()) {
        error = port_->errorString();
        if (waitForPort) {
            // The run begins once the port is there.
            run_->startWaiting();
            onPortFailed(error);
            syncTimer_.start();
            return true;
        }
        log("Error: " + error.toStdString());
        log("Exit kordel-record");
        return false;
    }
    run_->start();
    syncTimer_.start();
    announce();
    return true;
}

void RecordSession::announce() {
    announced_ = true;
    std::cerr << "kordel-record: recording from " << port_->settings().portName.toStdString() << '\n';
}

void RecordSession::finish() {
    run_->drain();
    run_->stop();
    port_->close();
    log("Exit kordel-record");
    syncTimer_.stop();
    showLogStatus(log_.syncNow());
}

void RecordSession::onPortFailed(const QString& message) {
    log("Error: " + message.toStdString());
    std::cerr << "kordel-record: " << message.toStdString();
    if (run_->running()) {
        std::cerr << "; trying again every " << kRetryMs / 1000 << " s";
    }
    std::cerr << '\n';
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
