// The Status button, the Status window's commands and the replies that fill
// it, through the main window with a fake port.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/mainform.h"
#include "charts/chartview.h"
#include "app/yesnodialog.h"
#include "fakeserialport.h"
#include "link/statuswindow.h"
#include "link/instrumentsession.h"
#include "testsupport.h"
#include "windowtest.h"

using namespace kordel;

namespace {

QByteArray hex(std::initializer_list<int> values) {
    QByteArray b;
    for (const int v : values) b += static_cast<char>(v);
    return b;
}

// A status reply with the averaging interval, mode, GPS and save target bytes.
QByteArray statusReply(int average, int mode, int gps, int target) {
    return hex({0x53, 0, 0, 0, 0, 0, average, 0, mode, gps, target});
}

const QByteArray kDateReply = hex({0x31, 0x05, 0x22, 0x10, 0x20, 0x30, 0x07, 0x20});

QStringList hexFrames(const QList<QByteArray>& frames) {
    QStringList out;
    for (const QByteArray& f : frames) out << QString::fromLatin1(f.toHex(' ').toUpper());
    return out;
}

// A user's click on a choice, on its round indicator at the left.
void choose(QRadioButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(7, b->height() / 2)); }

const char* stateName(std::uint16_t s) {
    switch (s) {
    case Idle: return "Idle";
    case Recording: return "Recording";
    case AwaitDateTime: return "AwaitDateTime";
    case TimeSet: return "TimeSet";
    case AwaitSaveAck: return "AwaitSaveAck";
    case AwaitStatus: return "AwaitStatus";
    }
    return "?";
}

class StatusWindowTest : public test::WindowTest {
protected:
    void SetUp() override {
        startForm();
        logStart_ = static_cast<int>(allLog().size());
    }
    void TearDown() override { stopForm(); }
    const QTimer& pause() { return form_->instrumentSession().pauseTimer(); }
    // Lets the pause between two frames run out, when one runs.
    void endPause() {
        if (pause().isActive()) {
            QSignalSpy spy(&pause(), &QTimer::timeout);
            ASSERT_TRUE(spy.wait(5000));
        }
    }
    QStringList allLog() const { return logLines(); }
    // Log entries since the last call (or since start-up).
    QStringList newLog() {
        const QStringList all = allLog();
        const QStringList out = all.mid(logStart_);
        logStart_ = static_cast<int>(all.size());
        return out;
    }
    QStringList newFrames() {
        const QStringList out = hexFrames(port_->written.mid(framesSeen_));
        framesSeen_ = static_cast<int>(port_->written.size());
        return out;
    }
    // A status reply applied: the status-loaded flag is true afterwards.
    void loadStatus(const QByteArray& reply) {
        form_->SpeedButton5Click();
        port_->receive(reply);
        ASSERT_TRUE(form_->instrumentSession().statusLoaded());
        newLog();
        newFrames();
    }

    test::FakeDialogs dialogs_;
    test::FixedClock clock_{{2007, 5, 22, 10, 20, 30, 0}};
    int logStart_ = 0;
    int framesSeen_ = 0;
};

}  // namespace

// ---- the window ----

TEST_F(StatusWindowTest, TheWindowStartsEmptyWithNoSaveTargetAndDoesNotBlock) {
    TForm6& w = *form_->Form6;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Status"));
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.minimumSize(), w.maximumSize());  // fixed size
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Mode"));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Date / Time"));
    EXPECT_EQ(w.SpeedButton3->toolTip(), QStringLiteral("View time"));
    EXPECT_EQ(w.SpeedButton2->toolTip(), QStringLiteral("Set time"));
    EXPECT_EQ(w.GroupBox2->title(), QStringLiteral("Save data"));
    EXPECT_EQ(w.RadioButton8->text(), QStringLiteral("PC+Flash"));
    EXPECT_EQ(w.RadioButton7->text(), QStringLiteral("PC"));
    EXPECT_EQ(w.Button1->text(), QStringLiteral("Close"));
    EXPECT_TRUE(w.Edit1->text().isEmpty());
    EXPECT_TRUE(w.Edit2->text().isEmpty());
    EXPECT_TRUE(w.Edit1->isReadOnly());  // the mode is shown, not edited
    EXPECT_TRUE(w.Edit2->isReadOnly());
    EXPECT_FALSE(w.RadioButton7->isChecked());
    EXPECT_FALSE(w.RadioButton8->isChecked());

    form_->SpeedButton5Click();
    test::drainEvents();
    ASSERT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // PC+Flash is the upper choice.
    EXPECT_LT(w.RadioButton8->geometry().top(), w.RadioButton7->geometry().top());
    // The main window still takes input while the window is shown.
    EXPECT_TRUE(form_->isEnabled());
}

TEST_F(StatusWindowTest, TypingInTheModeFieldChangesNothingElse) {
    loadStatus(statusReply(10, 0x81, 1, 0));
    TForm6& w = *form_->Form6;
    w.Edit1->setFocus();
    QTest::keyClicks(w.Edit1, QStringLiteral("abc"));
    QTest::keyClick(w.Edit1, Qt::Key_Return);
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Mode Var"));  // read-only: the typing is not taken
    EXPECT_TRUE(w.isVisible());  // Enter does not press Close
    EXPECT_EQ(form_->linkState(), Idle);
    EXPECT_TRUE(newFrames().isEmpty());
    EXPECT_TRUE(newLog().isEmpty());
}

// ---- commands ----

TEST_F(StatusWindowTest, StatusAsksAtNineThousandSixHundredAfterAPortSetUpChoseAnotherRate) {
    dialogs_.portSetupAnswer = port_->settings();
    dialogs_.portSetupAnswer->baudRate = 19200;
    form_->N24Click();
    newLog();
    form_->SpeedButton5Click();
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 53 5F 5F 5F 5F 5F 3B")});
    EXPECT_EQ(port_->baudAtWrite.last(), 9600);
    EXPECT_EQ(form_->linkState(), AwaitStatus);
    EXPECT_EQ(form_->instrumentSession().statusReplyCount(), 0);
    EXPECT_FALSE(form_->instrumentSession().statusLoaded());
    EXPECT_TRUE(form_->Form6->isVisible());
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("Button: Status")});
}

TEST_F(StatusWindowTest, ViewTimeAndSetTimeKeepTheRateThatIsSet) {
    dialogs_.portSetupAnswer = port_->settings();
    dialogs_.portSetupAnswer->baudRate = 19200;
    form_->N24Click();
    QTest::mouseClick(form_->Form6->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 31 5F 5F 5F 5F 5F 3B")});
    dialogs_.yesNoAnswers = {true};
    QTest::mouseClick(form_->Form6->SpeedButton2, Qt::LeftButton);
    endPause();
    EXPECT_EQ(newFrames().size(), 2);
    EXPECT_EQ(port_->baudAtWrite, (QList<qint32>{19200, 19200, 19200}));
}

TEST_F(StatusWindowTest, SetTimeSendsTheClockThenTheYearHalfASecondLater) {
    form_->setLinkState(Recording);
    dialogs_.yesNoAnswers = {true};
    QTest::mouseClick(form_->Form6->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(dialogs_.yesNoCaptions, QStringList{QStringLiteral("Set time?")});
    EXPECT_EQ(dialogs_.yesNoQuestions,
              QStringList{QStringLiteral("Set the instrument's clock to this computer's date and time, 22/05/2007 10:20:30?")});
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 32 05 22 10 20 30 3B")});
    EXPECT_TRUE(pause().isActive());
    EXPECT_EQ(pause().interval(), 500);
    endPause();
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 33 07 20 5F 5F 5F 3B")});
    EXPECT_EQ(form_->linkState(), TimeSet);
    EXPECT_TRUE(form_->answerFlag());
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("Set time mode")});
}

TEST_F(StatusWindowTest, ACommandGivenDuringSetTimesPauseGoesOutAfterTheYear) {
    dialogs_.yesNoAnswers = {true};
    form_->Form6->SpeedButton2Click();
    form_->Form6->SpeedButton3Click();  // View time at once
    EXPECT_EQ(form_->linkState(), AwaitDateTime);
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 32 05 22 10 20 30 3B")});
    endPause();
    EXPECT_EQ(newFrames(), (QStringList{QStringLiteral("3D 33 07 20 5F 5F 5F 3B"),
                                        QStringLiteral("3D 31 5F 5F 5F 5F 5F 3B")}));
}

TEST_F(StatusWindowTest, SetTimeTakesTheClockOnceForBothFrames) {
    clock_.set({2099, 12, 31, 23, 59, 59, 900});
    dialogs_.yesNoAnswers = {true};
    form_->Form6->SpeedButton2Click();
    clock_.set({2100, 1, 1, 0, 0, 0, 400});
    endPause();
    EXPECT_EQ(newFrames(), (QStringList{QStringLiteral("3D 32 12 31 23 59 59 3B"),
                                        QStringLiteral("3D 33 99 20 5F 5F 5F 3B")}));
}

TEST_F(StatusWindowTest, SetTimeAnsweredNoSendsNothingAndKeepsTheState) {
    for (const std::uint16_t before : {Idle, Recording, AwaitDateTime, TimeSet, AwaitSaveAck, AwaitStatus}) {
        form_->setLinkState(before);
        dialogs_.yesNoAnswers = {false};
        form_->Form6->SpeedButton2Click();
        EXPECT_EQ(form_->linkState(), before) << stateName(before);
        EXPECT_FALSE(form_->answerFlag());
    }
    EXPECT_EQ(dialogs_.yesNoCaptions.size(), 6);
    EXPECT_TRUE(newFrames().isEmpty());
    EXPECT_FALSE(pause().isActive());
    EXPECT_TRUE(newLog().isEmpty());
    EXPECT_EQ(port_->openCalls, 0);
}

TEST_F(StatusWindowTest, TheRealQuestionBoxClosedWithoutAnAnswerAfterAnEarlierYesSetsNothing) {
    // The program's own Yes/No box, answered from a timer once it is on screen.
    setDialogs(nullptr);
    auto answerWith = [this](std::function<void(TYesNo&)> act) {
        auto* timer = new QTimer(form_.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, act] {
            if (form_->YesNo->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(*form_->YesNo);
            }
        });
        timer->start(10);
    };
    answerWith([](TYesNo& box) { box.Button1->click(); });
    form_->Form6->SpeedButton2Click();
    EXPECT_EQ(form_->YesNo->windowTitle(), QStringLiteral("Set time?"));
    EXPECT_EQ(form_->YesNo->Label1->text(), QStringLiteral("Set the instrument's clock to this computer's date and time, 22/05/2007 10:20:30?"));
    EXPECT_TRUE(form_->answerFlag());
    endPause();
    EXPECT_EQ(newFrames().size(), 2);

    form_->setLinkState(AwaitStatus);
    answerWith([](TYesNo& box) { box.close(); });  // the frame's close box
    form_->Form6->SpeedButton2Click();
    EXPECT_FALSE(form_->answerFlag());
    EXPECT_TRUE(newFrames().isEmpty());
    EXPECT_EQ(form_->linkState(), AwaitStatus);

    answerWith([](TYesNo& box) { box.Button2->click(); });
    form_->Form6->SpeedButton2Click();
    EXPECT_FALSE(form_->answerFlag());
    EXPECT_TRUE(newFrames().isEmpty());
    setDialogs(&dialogs_);
}

TEST_F(StatusWindowTest, EveryCommandSetsItsStateWhateverTheStateBefore) {
    struct Action {
        const char* name;
        std::function<void()> run;
        std::uint16_t after;
        QStringList frames;
    };
    TMainForm& f = *form_;
    TForm6& w = *f.Form6;
    const std::vector<Action> actions = {
        {"Record", [&] { f.SpeedButton8Click(); }, Recording, {}},
        {"Stop", [&] { f.SpeedButton7Click(); }, Idle, {}},
        {"Status", [&] { f.SpeedButton5Click(); }, AwaitStatus, {QStringLiteral("3D 53 5F 5F 5F 5F 5F 3B")}},
        {"View time", [&] { QTest::mouseClick(w.SpeedButton3, Qt::LeftButton); }, AwaitDateTime,
         {QStringLiteral("3D 31 5F 5F 5F 5F 5F 3B")}},
        {"Set time, Yes",
         [&] {
             dialogs_.yesNoAnswers = {true};
             QTest::mouseClick(w.SpeedButton2, Qt::LeftButton);
         },
         TimeSet, {QStringLiteral("3D 32 05 22 10 20 30 3B"), QStringLiteral("3D 33 07 20 5F 5F 5F 3B")}},
        {"PC+Flash", [&] { choose(w.RadioButton8); }, AwaitSaveAck,
         {QStringLiteral("3D 52 01 5F 5F 5F 5F 3B")}},
        {"PC", [&] { choose(w.RadioButton7); }, AwaitSaveAck,
         {QStringLiteral("3D 52 00 5F 5F 5F 5F 3B")}},
        {"Close", [&] { QTest::mouseClick(w.Button1, Qt::LeftButton); }, Idle, {}},
        {"ComPort menu", [&] { f.N24Click(); }, Idle, {}},
    };
    for (const Action& a : actions) {
        for (const std::uint16_t before : {Idle, Recording, AwaitDateTime, TimeSet, AwaitSaveAck, AwaitStatus}) {
            f.SpeedButton7Click();
            // The save-target choices act only after a status reply; it selects
            // the other choice, so that the one clicked becomes selected.
            loadStatus(statusReply(1, 0x80, 0, QByteArray(a.name) == "PC" ? 1 : 0));
            w.showInFront();
            f.setLinkState(before);
            a.run();
            endPause();
            EXPECT_EQ(f.linkState(), a.after) << a.name << " from " << stateName(before);
            EXPECT_EQ(newFrames(), a.frames) << a.name << " from " << stateName(before);
        }
    }
}

TEST_F(StatusWindowTest, SaveTargetChoicesActOnlyOnceAStatusReplyHasBeenApplied) {
    TForm6& w = *form_->Form6;
    w.showInFront();
    choose(w.RadioButton8);
    EXPECT_TRUE(w.RadioButton8->isChecked());
    EXPECT_EQ(form_->linkState(), Idle);
    EXPECT_TRUE(newFrames().isEmpty());
    EXPECT_TRUE(newLog().isEmpty());
    EXPECT_EQ(port_->openCalls, 0);

    // While a status reply is awaited the flag is false again.
    loadStatus(statusReply(1, 0x80, 0, 0));
    form_->SpeedButton5Click();
    newFrames();
    newLog();
    choose(w.RadioButton8);
    EXPECT_EQ(form_->linkState(), AwaitStatus);
    EXPECT_TRUE(newFrames().isEmpty());
    EXPECT_TRUE(newLog().isEmpty());
}

TEST_F(StatusWindowTest, PcFlashAfterTheStatusReplyIsLoggedSentAndAcknowledged) {
    loadStatus(statusReply(1, 0x80, 0, 0));
    TForm6& w = *form_->Form6;
    choose(w.RadioButton8);
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("Set: Save data: Flash")});
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 52 01 5F 5F 5F 5F 3B")});
    EXPECT_EQ(form_->linkState(), AwaitSaveAck);
    EXPECT_EQ(form_->instrumentSession().saveTargetReplyCount(), 0);

    port_->receive(hex({0x52, 0, 0, 0, 0}));
    EXPECT_EQ(form_->linkState(), AwaitSaveAck);
    EXPECT_EQ(form_->instrumentSession().saveTargetReplyCount(), 5);
    port_->receive(hex({0, 1, 0, 0x80, 0, 1}));
    EXPECT_EQ(form_->linkState(), Idle);
    EXPECT_EQ(form_->instrumentSession().saveTargetReplyCount(), 0);
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("From Kordel: 52 00 00 00 00 , i82=5"),
                                     QStringLiteral("From Kordel: 00 01 00 80 00 01 , i82=11")}));
    EXPECT_TRUE(w.RadioButton8->isChecked());  // the acknowledgement is only logged

    choose(w.RadioButton7);
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("Set: Save data: PC")});
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 52 00 5F 5F 5F 5F 3B")});
    // Clicking the choice that is selected already sends nothing.
    choose(w.RadioButton7);
    EXPECT_TRUE(newFrames().isEmpty());
}

TEST_F(StatusWindowTest, CloseEndsTheWaitAndEnablesStatusButTheCloseBoxOnlyHides) {
    TMainForm& f = *form_;
    TForm6& w = *f.Form6;
    f.SpeedButton5Click();
    f.setLinkState(Idle);
    port_->receive("x");  // bytes while Idle disable Status
    ASSERT_FALSE(f.SpeedButton5->isEnabled());
    f.setLinkState(AwaitStatus);

    w.close();  // the frame's close box
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(f.linkState(), AwaitStatus);
    EXPECT_FALSE(f.SpeedButton5->isEnabled());

    w.showInFront();
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_TRUE(f.SpeedButton5->isEnabled());
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 53 5F 5F 5F 5F 5F 3B")});
}

TEST_F(StatusWindowTest, APortThatWillNotOpenStopsTheCommandAfterItsStateIsSet) {
    struct Case {
        const char* name;
        std::function<void()> run;
        std::uint16_t after;
        QStringList log;
    };
    TMainForm& f = *form_;
    const QString error = QStringLiteral("Cannot open the port /dev/ttyUSB0: No such file or directory");
    const std::vector<Case> cases = {
        {"Status", [&] { f.SpeedButton5Click(); }, AwaitStatus, {QStringLiteral("Button: Status")}},
        {"View time", [&] { f.Form6->SpeedButton3Click(); }, AwaitDateTime, {}},
        {"Set time",
         [&] {
             dialogs_.yesNoAnswers = {true};
             f.Form6->SpeedButton2Click();
         },
         TimeSet, {QStringLiteral("Set time mode")}},
    };
    port_->failOpen = true;
    for (const Case& c : cases) {
        f.setLinkState(Recording);
        c.run();
        test::drainEvents();
        EXPECT_EQ(f.linkState(), c.after) << c.name;
        EXPECT_EQ(newLog(), c.log + QStringList{QStringLiteral("Error: ") + error}) << c.name;
        EXPECT_EQ(dialogs_.errors, QStringList{error}) << c.name;
        dialogs_.errors.clear();
    }
    EXPECT_TRUE(port_->written.isEmpty());
    EXPECT_FALSE(pause().isActive());
    EXPECT_FALSE(f.Form6->isVisible());  // Status stopped before showing it
}

TEST_F(StatusWindowTest, AFrameThatCannotBeWrittenStopsTheCommand) {
    TMainForm& f = *form_;
    loadStatus(statusReply(1, 0x80, 0, 0));
    f.Form6->hide();
    port_->failWrite = true;

    f.SpeedButton5Click();
    EXPECT_EQ(f.linkState(), AwaitStatus);
    EXPECT_FALSE(f.Form6->isVisible());

    dialogs_.yesNoAnswers = {true};
    f.Form6->SpeedButton2Click();
    EXPECT_EQ(f.linkState(), TimeSet);
    EXPECT_FALSE(pause().isActive());  // the year is not sent after a failed first frame

    f.SpeedButton5Click();
    port_->failWrite = false;
    port_->receive(statusReply(1, 0x80, 0, 0));
    port_->failWrite = true;
    newLog();
    choose(f.Form6->RadioButton8);
    EXPECT_EQ(f.linkState(), AwaitSaveAck);
    test::drainEvents();
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("Set: Save data: Flash"),
                                     QStringLiteral("Error: ") + port_->errorString()}));
    EXPECT_EQ(dialogs_.errors.size(), 1);  // identical reports do not pile up
}

TEST_F(StatusWindowTest, ADateRequestThatCannotBeWrittenAfterAStatusReplyLeavesTheStatusUnloaded) {
    TMainForm& f = *form_;
    f.SpeedButton5Click();
    f.Form6->hide();
    port_->failWrite = true;
    port_->receive(statusReply(1, 0x00, 0, 0));
    test::drainEvents();
    EXPECT_EQ(f.Form6->Edit1->text(), QStringLiteral("Mode OFF"));
    EXPECT_EQ(f.linkState(), AwaitDateTime);
    EXPECT_FALSE(f.instrumentSession().statusLoaded());
    EXPECT_FALSE(f.Form6->isVisible());
    EXPECT_EQ(dialogs_.errors, QStringList{port_->errorString()});
}

// ---- replies ----

TEST_F(StatusWindowTest, AStatusReplyInTwoEventsIsLoggedTwiceAndAppliedAfterTheSecond) {
    TMainForm& f = *form_;
    TForm6& w = *f.Form6;
    f.SpeedButton5Click();
    newLog();
    newFrames();
    const QByteArray reply = statusReply(10, 0x81, 1, 0);
    port_->receive(reply.left(4));
    EXPECT_EQ(f.linkState(), AwaitStatus);
    EXPECT_EQ(f.instrumentSession().statusReplyCount(), 4);
    EXPECT_TRUE(w.Edit1->text().isEmpty());
    w.Edit2->setText(QStringLiteral("old"));
    port_->receive(reply.mid(4));
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("From Kordel: 53 00 00 00 , i83=4"),
                                     QStringLiteral("From Kordel: 00 00 0A 00 81 01 00 , i83=11"),
                                     QStringLiteral("GPS is on."), QStringLiteral("Average =10"),
                                     QStringLiteral("Mode Var"), QStringLiteral("Save data: PC")}));
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Mode Var"));
    EXPECT_TRUE(w.Edit2->text().isEmpty());
    EXPECT_TRUE(w.RadioButton7->isChecked());
    EXPECT_FALSE(w.RadioButton8->isChecked());
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_EQ(f.instrumentSession().statusReplyCount(), 0);
    EXPECT_TRUE(f.instrumentSession().statusLoaded());
    EXPECT_TRUE(newFrames().isEmpty());  // no date request outside mode OFF
    EXPECT_TRUE(w.isVisible());
}

TEST_F(StatusWindowTest, TwelveStatusBytesInOneEventAreNeitherLoggedNorApplied) {
    TMainForm& f = *form_;
    f.SpeedButton5Click();
    newLog();
    port_->receive(statusReply(10, 0x81, 1, 1) + hex({0}));
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_TRUE(newLog().isEmpty());
    EXPECT_TRUE(f.Form6->Edit1->text().isEmpty());
    EXPECT_FALSE(f.Form6->RadioButton8->isChecked());
    EXPECT_FALSE(f.instrumentSession().statusLoaded());
    EXPECT_EQ(f.instrumentSession().statusReplyCount(), 0);

    // A reply that overruns in its second event keeps the first event's count.
    f.SpeedButton5Click();
    newLog();
    port_->receive(hex({1, 2, 3, 4}));
    port_->receive(hex({5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("From Kordel: 01 02 03 04 , i83=4")});
    EXPECT_EQ(f.instrumentSession().statusReplyCount(), 4);
    EXPECT_EQ(f.linkState(), Idle);
    // What follows is dropped like any bytes while Idle.
    port_->receive(hex({13}));
    EXPECT_TRUE(newLog().isEmpty());
    EXPECT_FALSE(f.SpeedButton5->isEnabled());
}

TEST_F(StatusWindowTest, ModeOffAsksForTheDateAndTimeAtOnce) {
    TMainForm& f = *form_;
    TForm6& w = *f.Form6;
    f.SpeedButton5Click();
    newLog();
    newFrames();
    port_->receive(statusReply(1, 0x05, 2, 2));
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Mode OFF"));
    EXPECT_TRUE(w.RadioButton8->isChecked());
    EXPECT_FALSE(w.RadioButton7->isChecked());
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("From Kordel: 53 00 00 00 00 00 01 00 05 02 02 , i83=11"),
                                     QStringLiteral("GPS is off."), QStringLiteral("Average =1"),
                                     QStringLiteral("Mode OFF"), QStringLiteral("Save data: PC+Flash")}));
    // Selecting PC+Flash here sent no save-target command; only the date request went.
    EXPECT_EQ(newFrames(), QStringList{QStringLiteral("3D 31 5F 5F 5F 5F 5F 3B")});
    EXPECT_EQ(f.linkState(), AwaitDateTime);
    EXPECT_EQ(f.dateTimeReplyCount(), 0);
    EXPECT_TRUE(f.instrumentSession().statusLoaded());

    port_->receive(kDateReply);
    EXPECT_EQ(w.Edit2->text(), QStringLiteral("2007-05-22  10:20:30"));
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("From Kordel: Datetime= 31 05 22 10 20 30 07 20 , i51=8"),
                                     QStringLiteral("2007-05-22  10:20:30")}));
}

TEST_F(StatusWindowTest, TheDateFieldShowsQuestionMarksUntilTheReplyIsComplete) {
    TMainForm& f = *form_;
    TForm6& w = *f.Form6;
    struct Case {
        const char* what;
        QList<QByteArray> events;
        QString text;
        std::uint16_t state;
    };
    QByteArray month85 = kDateReply;
    month85[1] = static_cast<char>(0x85);
    const std::vector<Case> cases = {
        {"8 bytes", {kDateReply}, QStringLiteral("2007-05-22  10:20:30"), Idle},
        {"month 0x85", {month85}, QStringLiteral("2007-05-22  10:20:30"), Idle},
        {"6 bytes", {kDateReply.left(6)}, QStringLiteral("??"), AwaitDateTime},
        {"6 + 2 bytes", {kDateReply.left(6), kDateReply.mid(6)}, QStringLiteral("2007-05-22  10:20:30"), Idle},
        {"9 bytes", {kDateReply + hex({0})}, QStringLiteral("??"), Idle},
        {"6 + 5 bytes", {kDateReply.left(6), kDateReply.mid(6) + hex({1, 2, 3})}, QStringLiteral("??"), Idle},
        {"12 bytes", {kDateReply + hex({1, 2, 3, 4})}, QStringLiteral("before"), Idle},
    };
    for (const Case& c : cases) {
        w.Edit2->setText(QStringLiteral("before"));
        w.SpeedButton3Click();
        for (const QByteArray& e : c.events) port_->receive(e);
        EXPECT_EQ(w.Edit2->text(), c.text) << c.what;
        EXPECT_EQ(f.linkState(), c.state) << c.what;
        if (c.state == Idle) {
            EXPECT_EQ(f.dateTimeReplyCount(), 0) << c.what;
        }
    }
    EXPECT_EQ(f.dateTimeReplyCount(), 0);
}

TEST_F(StatusWindowTest, DateTimeEventsAreLogged) {
    form_->Form6->SpeedButton3Click();
    port_->receive(kDateReply.left(6));
    EXPECT_EQ(form_->dateTimeReplyCount(), 6);
    port_->receive(kDateReply.mid(6));
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("From Kordel: Datetime= 31 05 22 10 20 30 , i51=6"),
                                     QStringLiteral("From Kordel: Datetime= 07 20 , i51=8"),
                                     QStringLiteral("2007-05-22  10:20:30")}));
}

TEST_F(StatusWindowTest, AStatusReplyAfterTheCloseBoxOpensTheWindowAgain) {
    TMainForm& f = *form_;
    f.SpeedButton5Click();
    test::drainEvents();
    ASSERT_TRUE(f.Form6->isVisible());
    f.Form6->close();
    ASSERT_FALSE(f.Form6->isVisible());
    port_->receive(statusReply(3, 0x83, 1, 0));
    EXPECT_TRUE(f.Form6->isVisible());
    EXPECT_EQ(f.Form6->Edit1->text(), QStringLiteral("Mode Record"));
}

TEST_F(StatusWindowTest, TheReplyKindFollowsTheCommandThatWaits) {
    // A save-target acknowledgement of 11 bytes is only logged, even when it
    // would read as a status.
    loadStatus(statusReply(1, 0x80, 0, 0));
    TForm6& w = *form_->Form6;
    w.Edit1->setText(QStringLiteral("Mode Total"));
    choose(w.RadioButton8);
    newLog();
    port_->receive(statusReply(9, 0x81, 1, 0));
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("From Kordel: 53 00 00 00 00 00 09 00 81 01 00 , i82=11")});
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Mode Total"));
    EXPECT_TRUE(w.RadioButton8->isChecked());
    // Bytes in TimeSet are dropped.
    dialogs_.yesNoAnswers = {true};
    w.SpeedButton2Click();
    newLog();
    port_->receive(kDateReply);
    EXPECT_TRUE(newLog().isEmpty());
    EXPECT_EQ(form_->linkState(), TimeSet);
}

// ---- Record and Stop ----

TEST_F(StatusWindowTest, RecordLocksExactlyTheListedControlsAndStopFreesThem) {
    TMainForm& f = *form_;
    QList<QWidget*> locked = {f.SpeedButton5, f.SpeedButton6, f.SpeedButton3, f.charts().SpeedButton9, f.charts().SpeedButton10,
                              f.charts().CrossMouseCB, f.charts().XZoomler};
    for (QWidget* z : f.charts().Zoomler) locked << z;
    f.charts().CrossMouseCB->setChecked(true);
    f.SpeedButton7Click();  // the port open, so that bytes arrive
    port_->receive("12345");  // bytes while Idle are dropped
    newLog();

    f.SpeedButton8Click();
    EXPECT_EQ(f.linkState(), Recording);
    EXPECT_EQ(f.blockPosition(), 1);
    for (QWidget* w : locked) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(f.N5->menuAction()->isEnabled());
    EXPECT_FALSE(f.N24->isEnabled());
    EXPECT_FALSE(f.SpeedButton8->isEnabled());
    EXPECT_TRUE(f.SpeedButton7->isEnabled());
    EXPECT_FALSE(f.charts().CrossMouseCB->isChecked());
    for (QWidget* c : f.charts().CheckBox) EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(f.N2->isEnabled());

    // A piece in hand is dropped by the next Record.
    port_->receive("2007 05 22");
    EXPECT_EQ(f.blockPosition(), 11);
    f.SpeedButton8Click();
    EXPECT_EQ(f.blockPosition(), 1);

    f.SpeedButton7Click();
    EXPECT_EQ(f.linkState(), Idle);
    for (QWidget* w : locked) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(f.N5->menuAction()->isEnabled());
    EXPECT_TRUE(f.N24->isEnabled());
    EXPECT_TRUE(f.SpeedButton8->isEnabled());
    EXPECT_EQ(newLog(), (QStringList{QStringLiteral("Button: Record"), QStringLiteral("Button: Record"),
                                     QStringLiteral("Button: Stop")}));
    EXPECT_TRUE(newFrames().isEmpty());  // Record and Stop send nothing

    // Stop while not recording is a Stop like any other.
    f.setLinkState(AwaitStatus);
    f.SpeedButton7Click();
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_EQ(newLog(), QStringList{QStringLiteral("Button: Stop")});
}

TEST_F(StatusWindowTest, TheStatusWindowStaysUsableWhileRecordingAndEndsTheAssembly) {
    TMainForm& f = *form_;
    loadStatus(statusReply(1, 0x80, 0, 0));
    f.SpeedButton8Click();
    EXPECT_TRUE(f.Form6->isEnabled());
    QTest::mouseClick(f.Form6->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(f.linkState(), AwaitDateTime);
    EXPECT_FALSE(f.SpeedButton8->isEnabled());  // Record again needs Stop first
}
