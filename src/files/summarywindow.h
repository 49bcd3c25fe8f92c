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
// It owns the summary file while a conversion runs: `BeginSummary` writes the
// header lines and keeps the file open for the event lines until `EndSummary`.
class Tinf : public QDialog {
    Q_OBJECT
public:
    explicit Tinf(QWidget* parent = nullptr);

    // Shows the window, captions it with the summary file's name, writes lines
    // 1 to 15 to `path` and loads them into the memo.
    kordel::IoStatus BeginSummary(const kordel::SummaryHeader& header, const QString& path);
    // Appends one event line to the open summary file (the memo shows it when
    // the summary ends).
    kordel::IoStatus AddSummaryLine(const std::string& text);
    // Sets the progress bar (0 … 100). The window is repainted at once, without
    // handling other events, but only when the shown percentage changes: on a
    // large dump one repaint per block would cost more than the conversion.
    void SetSummaryProgress(int percent);
    // Closes the summary file and loads the whole of it into the memo.
    kordel::IoStatus EndSummary();

    void Button2Click();

    QPlainTextEdit* Memo1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    kordel::IoStatus loadMemo();

    kordel::SummaryWriter summary_;
    QString path_;
};
