#pragma once
// Shared helpers of the window tests: dialogs answered without a modal loop, a
// fixed clock, and small file helpers.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>
#include <string>

#include "app/dialogs.h"
#include "app/fixedformats.h"

namespace kordel::test {

// Records every box and question; answers them from queues (OK / a file name).
class FakeDialogs : public Dialogs {
public:
    FakeDialogs() { setDialogs(this); }
    ~FakeDialogs() override { setDialogs(nullptr); }

    void message(QWidget*, const QString& text) override { messages << text; }
    bool okCancel(QWidget*, const QString& text) override {
        questions << text;
        if (okAnswers.empty()) {
            return true;
        }
        const bool a = okAnswers.front();
        okAnswers.pop_front();
        return a;
    }
    void error(QWidget*, const QString& text) override { errors << text; }
    // The reader's error line: from `lineAnswers`, else OK or Cancel from `okAnswers`.
    LineAnswer errorLine(QWidget* parent, const QString& text) override {
        if (lineAnswers.empty()) {
            return okCancel(parent, text) ? LineAnswer::Ok : LineAnswer::Cancel;
        }
        questions << text;
        const LineAnswer a = lineAnswers.front();
        lineAnswers.pop_front();
        return a;
    }
    QString openFile(QWidget*, const QString& filter, const QString&, const QString& initialDir) override {
        openFilters << filter;
        openInitialDirs << initialDir;
        if (openAnswers.empty()) {
            return {};
        }
        QString a = openAnswers.front();
        openAnswers.pop_front();
        return a;
    }

    // Several files: one answer of `openAnswers`, its names separated by '\n'.
    QStringList openFiles(QWidget* parent, const QString& filter, const QString& suffix,
                          const QString& initialDir) override {
        const QString a = openFile(parent, filter, suffix, initialDir);
        return a.isEmpty() ? QStringList() : a.split(QLatin1Char('\n'));
    }
    QString openFolder(QWidget*, const QString&) override {
        if (folderAnswers.empty()) {
            return {};
        }
        QString a = folderAnswers.front();
        folderAnswers.pop_front();
        return a;
    }

    std::optional<PortSettings> portSetup(QWidget*, const PortSettings& current) override {
        portSetupShownWith.push_back(current);
        return portSetupAnswer;
    }
    bool yesNo(QWidget*, const QString& caption, const QString& question) override {
        yesNoCaptions << caption;
        yesNoQuestions << question;
        if (yesNoAnswers.empty()) {
            return false;
        }
        const bool a = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return a;
    }

    std::vector<PortSettings> portSetupShownWith;
    std::optional<PortSettings> portSetupAnswer;  // nothing: Cancel
    QStringList messages;
    QStringList questions;
    QStringList errors;
    QStringList openFilters;
    QStringList openInitialDirs;
    std::deque<bool> okAnswers;
    std::deque<LineAnswer> lineAnswers;
    std::deque<QString> openAnswers;
    std::deque<QString> folderAnswers;
    QStringList yesNoCaptions;
    QStringList yesNoQuestions;
    std::deque<bool> yesNoAnswers;  // empty: "No"
};

// Installs a clock that always says `t` for the life of the object.
class FixedClock {
public:
    explicit FixedClock(const CivilDateTime& t);
    ~FixedClock();
    void set(const CivilDateTime& t) { now_ = t; }

private:
    CivilDateTime now_;
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// Runs the event loop until nothing is posted any more (queued reports and the like).
void drainEvents();

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns
// whether it holds. For waits on other processes, never for timing.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

}  // namespace kordel::test
