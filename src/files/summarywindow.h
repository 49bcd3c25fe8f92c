#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "app/iostatus.h"
#include "files/summarywriter.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The conversion summary window ("INF file"): shows the progress of a flash dump
// conversion while it runs and the summary file's text. It is shown without
// blocking the main window, stays open after a conversion until the user closes
// it, and the next conversion reuses it.
//
// It only shows the summary file: the converter's summary writer writes it.
class Tinf : public QDialog {
    Q_OBJECT
public:
    explicit Tinf(QWidget* parent = nullptr);

    // Shows the window, captions it with the summary file's name (`stem`.INF)
    // and loads the file at `path` (its header lines, written) into the memo.
    kordel::IoStatus BeginSummary(const std::string& stem, const QString& path);
    // Sets the progress bar (0 … 100). The window is repainted at once, without
    // handling other events, but only when the shown percentage changes: on a
    // large dump one repaint per block would cost more than the conversion.
    void SetSummaryProgress(int percent);
    // Loads the whole summary file, written to its end, into the memo.
    kordel::IoStatus EndSummary();

    void Button2Click();

    QPlainTextEdit* Memo1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    kordel::IoStatus loadMemo();

    QString path_;
};
