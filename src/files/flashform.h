#pragma once

#include <QString>
#include <QWidget>
#include <functional>

// The Flash button chooses the dump through the dialogs seam and hands it here.
#include "app/dialogs.h"

class Tinf;

// Holds the flash dump conversion ("Bin To Text"); the window itself is never
// shown. `Button5Click` converts the dump named by `FileName` into converted
// data files and a summary file in the current directory (where the file dialog
// of the Flash button has put the user: beside the dump), reporting to the log,
// to the summary window and in message boxes.
class TFlash : public QWidget {
    Q_OBJECT
public:
    using LogSink = std::function<void(const QString&)>;

    // The file dialog's filter for dumps.
    static inline const QString kDumpFilter = QStringLiteral("Kordel bin-file(*.b*)|*.b*");

    // `inf` (not owned) receives the summary; `log` writes one log entry.
    explicit TFlash(QWidget* parent = nullptr, Tinf* inf = nullptr, LogSink log = {});

    void Button5Click();

    // The flash input file name: the dump the next conversion reads.
    QString FileName;

private:
    Tinf* inf_;
    LogSink log_;
};
