#pragma once
// The Status window: the instrument's mode, clock and save target, and the
// commands that read its clock, set it from the computer's clock and choose
// where it saves data. It is shown without blocking the main window; its fields
// show what the instrument session signals, and its buttons give the session
// its commands. The frame's close box only hides it; the Close button also
// ends any wait for a reply.

#include <QDialog>
#include <QString>
#include <functional>

#include "app/fixedformats.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
namespace kordel {
class InstrumentSession;
}

class TForm6 : public QDialog {
    Q_OBJECT
public:
    // `confirmSetTime` asks the user before Set time (the owner's question);
    // the clock is set only when it answers true.
    TForm6(kordel::InstrumentSession& session, std::function<bool()> confirmSetTime, QWidget* parent = nullptr);

    // The question before Set time: it names the computer's date and time
    // that the instrument's clock will be set to.
    static QString setTimeQuestion(const kordel::CivilDateTime& now);

    // Shows the window, or brings it to the front when it is shown already.
    void showInFront();
    // Selects the save target a status reply reports (PC+Flash or PC).
    void showSaveTarget(bool flash);

    // ---- handlers ----
    void SpeedButton3Click();  // View time
    void SpeedButton2Click();  // Set time
    void RadioButton7Click();  // PC
    void RadioButton8Click();  // PC+Flash
    void Button1Click();       // Close

    // ---- components, by their designer names ----
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;  // "Mode", read-only
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;  // "Date / Time", read-only
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RadioButton8 = nullptr;
    QRadioButton* RadioButton7 = nullptr;
    QPushButton* Button1 = nullptr;

signals:
    // The Close button ended the wait for a reply.
    void closedByButton();

private:
    kordel::InstrumentSession& session_;
    std::function<bool()> confirmSetTime_;
};
