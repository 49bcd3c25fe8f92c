#pragma once
// What the daily recorder reports, as Qt signals: the recorder has one
// listener, and this adapter is it, so that the charts, the status bar, the log,
// a publisher or statistics each connect on their own and none of them knows of
// the others. The signals are emitted on the thread that feeds the recorder,
// from inside its call; a slot must not feed the recorder again.

#include <QObject>
#include <string>

#include "files/dailyrecorder.h"

namespace kordel {

class RecorderEvents : public QObject, public RecorderListener {
    Q_OBJECT
public:
    using QObject::QObject;

    void onDailyFileStarted(const std::string& name) override { emit dailyFileStarted(name); }
    void onSample(const DecodedSample& sample, bool dropOldest) override { emit sampleDecoded(sample, dropOldest); }
    void onLog(const std::string& text) override { emit logEntry(text); }
    void onFileError(const std::string& message) override { emit fileError(message); }

signals:
    // A daily file was started under `name` (no folder).
    void dailyFileStarted(const std::string& name);
    // A device line was recorded; `dropOldest` when the live window is full.
    void sampleDecoded(const kordel::DecodedSample& sample, bool dropOldest);
    // One event log entry; it may hold bytes as they were received.
    void logEntry(const std::string& text);
    // An unexpected file failure, with the system's text.
    void fileError(const std::string& message);
};

}  // namespace kordel
