#pragma once
// The command an operator has run on every activity alert (kordel-record's
// --alert-command), with the alert in its environment (alerts.h):
// KORDEL_ALERT, KORDEL_STATION, KORDEL_TIME, KORDEL_K, KORDEL_LEVEL and
// KORDEL_DBDT, beside the recorder's own environment.
//
// How it is run: the command line is split into words as a shell would split
// them for quotes ("…", '…') and blanks, and nothing else (no variables,
// redirections or pipes); the first word is the program, found on PATH unless
// it holds a '/', and the rest are its arguments. No shell is involved; a
// command that needs one says so: sh -c '… "$KORDEL_LEVEL" …'. Its input is
// empty, its output and errors go where the recorder's go.
//
// It never holds up the recording: it is started and left to run (QProcess,
// no waiting), ended with SIGKILL after kTimeoutMs, and reaped when it ends.
// At most kMaxRunning run at once; an alert beyond them is logged and not run.
// A command that cannot be started, fails (exit status not 0) or times out is
// logged once, and again only after a run that went well.

#include <QObject>
#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kordel {

class AlertCommand : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 60'000;
    static constexpr int kMaxRunning = 4;

    using LogFunction = std::function<void(const std::string&)>;

    // `words`: the program and its arguments, as splitCommandLine gives them.
    AlertCommand(QStringList words, LogFunction log, int timeoutMs = kTimeoutMs, QObject* parent = nullptr);
    ~AlertCommand() override;

    // The command line's words; empty when it holds none (or an open quote).
    static QStringList splitCommandLine(const QString& command);
    // An error text when the program cannot be run (not found, not executable).
    static QString check(const QStringList& words);

    void run(const std::vector<std::pair<std::string, std::string>>& environment);
    int running() const { return running_; }

signals:
    // A run ended (reaped); `ok` when it exited with status 0 in time.
    void ended(bool ok);

private:
    void failed(const std::string& what);

    QStringList words_;
    LogFunction log_;
    int timeoutMs_;
    int running_ = 0;
    bool failureLogged_ = false;
    bool busyLogged_ = false;
};

}  // namespace kordel
