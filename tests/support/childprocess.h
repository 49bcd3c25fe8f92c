#pragma once
// A tool a test runs as its own process: started in a folder, signalled as a
// user, a service manager or a crash would signal it, and killed at the end
// whatever happened (a stopped one is continued first, so that it can die).

#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>
#include <sys/types.h>

namespace kordel::test {

class ChildProcess {
public:
    ChildProcess(const QString& program, const QStringList& args, const QString& workDir) {
        process_.setWorkingDirectory(workDir);
        process_.start(program, args);
        started_ = process_.waitForStarted(10000);
    }
    ~ChildProcess() {
        signal(SIGCONT);
        signal(SIGKILL);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    // Sends `sig`; after SIGINT, SIGTERM and SIGKILL waits (15 s at most) for the end.
    void signal(int sig) {
        if (process_.state() == QProcess::NotRunning) return;
        ::kill(static_cast<pid_t>(process_.processId()), sig);
        if (sig == SIGINT || sig == SIGTERM || sig == SIGKILL) process_.waitForFinished(15000);
    }
    QProcess& process() { return process_; }
    // What it wrote to standard error so far.
    QByteArray err() {
        err_ += process_.readAllStandardError();
        return err_;
    }

private:
    QProcess process_;
    QByteArray err_;
    bool started_ = false;
};

}  // namespace kordel::test
