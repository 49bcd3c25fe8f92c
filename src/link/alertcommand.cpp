#include "link/alertcommand.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <unistd.h>

namespace kordel {

AlertCommand::AlertCommand(QStringList words, LogFunction log, int timeoutMs, QObject* parent)
    : QObject(parent), words_(std::move(words)), log_(std::move(log)), timeoutMs_(timeoutMs) {}

AlertCommand::~AlertCommand() {
    // A command still running at the end is not waited for: it is ended.
    for (QProcess* p : findChildren<QProcess*>()) {
        p->disconnect(this);
        p->kill();
        p->waitForFinished(1000);
    }
}

QStringList AlertCommand::splitCommandLine(const QString& command) {
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (const QChar c : command) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            else word += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord) words.append(std::exchange(word, QString()));
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!quote.isNull()) return {};
    if (inWord) words.append(word);
    return words;
}

QString AlertCommand::check(const QStringList& words) {
    if (words.isEmpty()) return QStringLiteral("holds no program (or a quote that is not closed)");
    const QString& program = words.constFirst();
    if (!program.contains(u'/')) {
        return QStandardPaths::findExecutable(program).isEmpty()
                   ? QStringLiteral("%1 is not a program on PATH").arg(program)
                   : QString();
    }
    const QFileInfo info(program);
    if (!info.isFile()) return QStringLiteral("%1 is not a file").arg(program);
    // access() rather than the permission bits: it answers for the user that runs it, root included.
    if (::access(QFile::encodeName(program).constData(), X_OK) != 0) return QStringLiteral("%1 is not executable").arg(program);
    return {};
}

void AlertCommand::run(const std::vector<std::pair<std::string, std::string>>& environment) {
    if (words_.isEmpty()) return;
    if (running_ >= kMaxRunning) {
        if (!std::exchange(busyLogged_, true)) {
            log_("Alert command not run: " + std::to_string(kMaxRunning) + " are still running");
        }
        return;
    }
    busyLogged_ = false;
    auto* process = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) env.insert(QString::fromStdString(name), QString::fromStdString(value));
    process->setProcessEnvironment(env);
    process->setProgram(words_.constFirst());
    process->setArguments(words_.mid(1));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    auto* timer = new QTimer(process);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, process, [process] {
        process->setProperty("timedOut", true);
        process->kill();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        --running_;
        failed("could not be started (" + process->errorString().toStdString() + ")");
        emit ended(false);
        process->deleteLater();
    });
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        --running_;
        const bool ok = status == QProcess::NormalExit && code == 0;
        if (process->property("timedOut").toBool()) {
            failed("did not end within " + std::to_string(timeoutMs_ / 1000) + " s and was ended");
        } else if (status != QProcess::NormalExit) {
            failed("ended abnormally");
        } else if (code != 0) {
            failed("ended with status " + std::to_string(code));
        } else {
            failureLogged_ = false;
        }
        emit ended(ok);
        process->deleteLater();
    });
    ++running_;
    timer->start(timeoutMs_);
    process->start();
}

void AlertCommand::failed(const std::string& what) {
    if (std::exchange(failureLogged_, true)) return;
    log_("Error: the alert command " + words_.constFirst().toStdString() + " " + what);
}

}  // namespace kordel
