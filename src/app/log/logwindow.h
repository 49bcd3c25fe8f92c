#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace kordel {
class EventLog;
}

// The log window: a copy of the log file taken when it was opened, with "Clear"
// (empties the file) and "Close".
class TLogFile : public QDialog {
    Q_OBJECT
public:
    explicit TLogFile(const kordel::EventLog& log, QWidget* parent = nullptr);

    // Loads the whole file into the text box (replacing what it held) and shows
    // the window without making it modal. Nothing happens when the file is missing
    // or too large to show.
    void showLog();

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Clear"
    QPushButton* Button2 = nullptr;  // "Close"

private:
    void Button1Click();
    const kordel::EventLog& log_;
};
