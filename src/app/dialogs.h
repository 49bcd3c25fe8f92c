#pragma once
// Every message box, file dialog and question the program puts to the user goes
// through this one interface, so that tests can answer them without a modal loop.

#include <QString>
#include <QStringList>
#include <optional>

#include "link/serialport.h"

class QWidget;

namespace kordel {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message with an OK button.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // A message with OK and Cancel; true for OK.
    virtual bool okCancel(QWidget* parent, const QString& text) = 0;
    // An error box with OK: the general error report (an unexpected file or
    // port failure) and the errors a command expects (a file not found).
    virtual void error(QWidget* parent, const QString& text) = 0;
    // The reader's error box for a line it cannot read: OK skips the line,
    // Cancel stops reading, "Skip all" skips it and every later error line.
    enum class LineAnswer { Ok, Cancel, SkipAll };
    virtual LineAnswer errorLine(QWidget* parent, const QString& text) = 0;
    // A file to open, or an empty text when the user cancelled. The chosen file's
    // folder becomes the process's current directory, as the dialog promises.
    virtual QString openFile(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                             const QString& initialDir) = 0;
    // Several files to open (in the order chosen), or none when the user
    // cancelled; the folder becomes the current directory as for openFile.
    virtual QStringList openFiles(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                  const QString& initialDir) {
        const QString file = openFile(parent, filter, defaultSuffix, initialDir);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    // A folder to open, or an empty text when the user cancelled.
    virtual QString openFolder(QWidget* parent, const QString& initialDir) {
        (void)parent;
        (void)initialDir;
        return {};
    }
    // The port set-up dialog, filled with `current`; the chosen settings, or
    // nothing when the user cancelled.
    virtual std::optional<PortSettings> portSetup(QWidget* parent, const PortSettings& current) = 0;
    // The Yes/No question with `caption` and the `question` in its body; the
    // main window's answer flag after it has closed (true for "Yes").
    virtual bool yesNo(QWidget* parent, const QString& caption, const QString& question) = 0;
};

// The dialogs in use (the real ones unless a test installed its own).
Dialogs& dialogs();
// Installs `d` (not owned); nullptr puts the real dialogs back.
void setDialogs(Dialogs* d);

// The caption of the program's message boxes.
inline constexpr const char* kBoxCaption = "Kordel-K5";

// Turns a filter in the form "Name(*.ext)|*.ext|…" into the form Qt's dialog takes.
QString qtFileFilter(const QString& filter);

}  // namespace kordel
