#pragma once
// The station recorder's session: its own port and log around the recording
// run that the program's Record button uses too. A port that fails (adapter
// pulled out) is tried again every two seconds under the same name; once it
// opens, a new recording run starts. What the run reports is printed on stderr.

#include <QObject>
#include <QTimer>
#include <memory>

#include "app/log/eventlog.h"
#include "link/portretry.h"
#include "link/recordingrun.h"
#include "link/serialport.h"

class RecordSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = kordel::PortRetry::kRetryMs;

    RecordSession(const kordel::PortSettings& port, const std::string& outputDir, const std::string& logPath);

    // Opens the port and starts recording; false (with the reason in `error`)
    // when the port cannot be opened, unless `waitForPort`: then it is tried
    // again every two seconds, as after a failure.
    bool start(QString& error, bool waitForPort = false);
    // Handles what is still waiting at the port, in Qt and in the driver, ends
    // the run, logs the end.
    void finish();

    // What the recorder reports, for further listeners such as the publisher.
    // A device line goes into the daily file right after `sampleDecoded`: a
    // receiver that reads the file does so from the event loop, later.
    kordel::RecorderEvents& events() { return run_->events(); }

    // One log entry; a failing log is shown on stderr once, until it works again.
    void log(const std::string& text);

private:
    void onPortFailed(const QString& message);
    // "recording from <port>", said once the port is open (not while waited for).
    void announce();
    // A log failure is shown once, until the log works again.
    void showLogStatus(const kordel::IoStatus& status);

    std::unique_ptr<kordel::SerialPort> port_;
    kordel::EventLog log_;
    std::unique_ptr<kordel::RecordingRun> run_;
    QTimer syncTimer_;
    bool logFailureShown_ = false;
    bool announced_ = false;
};
