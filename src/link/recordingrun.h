#pragma once
// One recording run, the same for the program's Record button and for the
// headless station recorder: the bytes of the port go to the daily recorder,
// what it writes reaches the disk within about a second, a port that fails is
// tried again every two seconds under the same name (the run ends; once the
// port is back a new run starts), and at the end what still waits at the port,
// in Qt and in the driver, is recorded before the run ends.
//
// The run does not own the port (the program's instrument session shares it)
// and opens it only to retry after a failure. What the recorder reports comes
// out of `events()`; the run's own log entries ("Port open again: …") come the
// same way. Whoever reports the port's failure to the user connects to the
// port's `failed` before the run is made, so that the report is logged before
// the run ends.

#include <QObject>
#include <QTimer>
#include <string>

#include "files/dailyrecorder.h"
#include "link/portretry.h"
#include "link/recorderevents.h"

namespace kordel {

class SerialPort;

class RecordingRun : public QObject {
    Q_OBJECT
public:
    // Bytes taken from the port per read; a larger backlog is read in portions.
    static constexpr qint64 kReceiveBuffer = 10240;

    // Daily files go into `outputDir` ("" for the working directory of the moment).
    RecordingRun(SerialPort& port, const std::string& outputDir, QObject* parent = nullptr);

    RecorderEvents& events() { return events_; }
    // The folder of the next daily file ("" for the working directory of the moment).
    void setOutputDir(const std::string& outputDir) { recorder_.setOutputDir(outputDir); }
    const std::string& outputDir() const { return recorder_.outputDir(); }
    const DailyRecorder& recorder() const { return recorder_; }

    // A fresh run on an open port: the next valid line starts a new daily file.
    void start();
    // A run whose port is not there yet: it is tried every two seconds, and the
    // run starts once it opens.
    void startWaiting();
    // Everything the port holds goes to the recorder (the receive handler).
    void receive();
    // What waits at the port, in Qt and in the driver, goes to the recorder.
    void drain();
    // The run ends: no more retrying, the unfinished piece is written and synced.
    void stop();
    bool running() const { return running_; }
    bool retrying() const { return retry_->active(); }
    // Syncs what was written lately now (at exit).
    void syncNow() { recorder_.syncNow(); }

signals:
    // The port failed while recording; it is tried again until `portReopened`.
    void waitingForPort(const QString& portName);
    void portReopened(const QString& portName);

private:
    void onPortFailed();
    void onPortReopened();

    SerialPort& port_;
    RecorderEvents events_;
    DailyRecorder recorder_;
    PortRetry* retry_;  // a child, found by tests
    QTimer syncTimer_;
    bool running_ = false;
};

}  // namespace kordel
