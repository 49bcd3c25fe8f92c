#pragma once
// What the off-screen platform needs to draw without a word on standard error:
// cron mails every line a job prints, so a successful picture run prints none.
// Qt wants a private runtime folder (XDG_RUNTIME_DIR, mode 0700) and warns
// when there is none; a run without a session gets one of its own in the
// temporary directory, removed when the object goes (after the application).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <memory>

namespace kordel {

class OffscreenRuntime {
public:
    OffscreenRuntime() {
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
        dir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kordel-runtime-XXXXXX"));
        // QTemporaryDir makes the folder 0700, as the runtime folder must be.
        if (dir_->isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_->path()));
    }
    ~OffscreenRuntime() {
        if (dir_ && dir_->isValid()) qunsetenv("XDG_RUNTIME_DIR");
    }
    OffscreenRuntime(const OffscreenRuntime&) = delete;
    OffscreenRuntime& operator=(const OffscreenRuntime&) = delete;

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

}  // namespace kordel
