#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The Yes/No question box. The caller sets the caption to its question and shows
// it; "Yes" and "No" set the answer flag it was given and close the box. Closing
// it any other way leaves the flag as it was.
class TYesNo : public QDialog {
    Q_OBJECT
public:
    explicit TYesNo(bool* answerFlag, QWidget* parent = nullptr);

    // Shows the box modally with `caption`, the question in its body, and
    // returns the answer flag afterwards.
    bool ask(const QString& caption, const QString& question);

    QPushButton* Button1 = nullptr;  // "Yes"
    QPushButton* Button2 = nullptr;  // "No"
    QLabel* Label1 = nullptr;        // the question

private:
    bool* answer_;
};
