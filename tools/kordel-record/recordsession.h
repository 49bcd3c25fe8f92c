#pragma once
// A headless recording run for unattended stations: the port, the daily files
// and the log, as the Record button of the program does it. A port that fails
// (adapter pulled out) is tried again every two seconds under the same name;
// once it opens, a new recording run starts.

#include <QObject>
#include <QTimer>
#include <memory>

#include "app/log/eventlog.h"
#include "files/dailyrecorder.h"
#include "link/portretry.h"
#include "link/serialport.h"

class RecordSession : public QObject, private kordel::RecorderListener {
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

signals:
    // A device line goes into the daily file right after this signal: a
    // receiver that reads the file does so from the event loop, later.
    void lineRecorded();

private:
    void receive();
    void onPortFailed(const QString& message);
    void onPortReopened();
    void log(const std::string& text);
    // A log failure is shown once, until the log works again.
    void showLogStatus(const kordel::IoStatus& status);

    void onDailyFileStarted(const std::string& name) override;
    void onSample(const kordel::DecodedSample&, bool) override { emit lineRecorded(); }
    void onLog(const std::string& text) override { log(text); }
    void onFileError(const std::string& message) override;

    std::unique_ptr<kordel::SerialPort> port_;
    kordel::EventLog log_;
    kordel::DailyRecorder recorder_;
    kordel::PortRetry retry_;
    QTimer syncTimer_;
    bool logFailureShown_ = false;
};
