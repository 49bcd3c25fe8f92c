// The main window's serial side and its data files, with a fake port.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/mainform.h"
#include "charts/chartview.h"
#include "charts/channelchart.h"
#include "link/portretry.h"
#include "link/statuswindow.h"
#include "testsupport.h"
#include "windowtest.h"

using namespace kordel;

namespace {

std::string deviceLine(int hour, int minute, int second, int day = 22) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "2007 05 %02d %02d %02d %02d.00 20000.00  1500.25 44000.50  25.3  30.1\r\n", day,
                  hour, minute, second);
    return buf;
}

class MainFormLinkTest : public test::WindowTest {
protected:
    void SetUp() override { startForm(); }
    void TearDown() override { stopForm(); }

    test::FakeDialogs dialogs_;
    test::FixedClock clock_{{2007, 5, 22, 14, 5, 9, 0}};
};

}  // namespace

TEST_F(MainFormLinkTest, TheArrowGrowsEveryTenthEventAndIdleBytesDisableStatus) {
    TMainForm& f = *form_;
    EXPECT_EQ(f.Panel8->text(), QString());
    QStringList seen;
    for (int event = 1; event <= 52; ++event) {
        port_->receive("x");
        seen << f.Panel8->text();
    }
    EXPECT_EQ(seen[0], QStringLiteral(">"));
    EXPECT_EQ(seen[8], QStringLiteral(">"));
    EXPECT_EQ(seen[9], QStringLiteral("->"));
    EXPECT_EQ(seen[19], QStringLiteral("-->"));
    EXPECT_EQ(seen[29], QStringLiteral("--->"));
    EXPECT_EQ(seen[39], QStringLiteral("---->"));
    EXPECT_EQ(seen[49], QStringLiteral("----->"));
    EXPECT_EQ(seen[50], QStringLiteral("----->"));
    EXPECT_EQ(seen[51], QStringLiteral(">"));
    EXPECT_FALSE(f.SpeedButton5->isEnabled());
}

TEST_F(MainFormLinkTest, ALargeBacklogIsReadInPortionsOfAtMost10240Bytes) {
    form_->SpeedButton8Click();
    port_->receive(QByteArray(25000, 'Z'));
    EXPECT_EQ(port_->reads, (QList<qint64>{10240, 10240, 4520}));
}

TEST_F(MainFormLinkTest, RecordLocksTheControlsAndWritesTheDailyFile) {
    TMainForm& f = *form_;
    dialogs_.portSetupAnswer = port_->settings();
    dialogs_.portSetupAnswer->baudRate = 19200;
    f.N24Click();
    EXPECT_EQ(port_->settings().baudRate, 19200);

    f.charts().CrossMouseCB->setChecked(true);
    f.SpeedButton8Click();
    EXPECT_EQ(f.linkState(), Recording);
    EXPECT_EQ(port_->settings().baudRate, 9600);
    EXPECT_TRUE(port_->isOpen());
    for (QWidget* w : {static_cast<QWidget*>(f.SpeedButton8), static_cast<QWidget*>(f.SpeedButton5),
                       static_cast<QWidget*>(f.SpeedButton6), static_cast<QWidget*>(f.SpeedButton3),
                       static_cast<QWidget*>(f.charts().SpeedButton9), static_cast<QWidget*>(f.charts().SpeedButton10),
                       static_cast<QWidget*>(f.charts().CrossMouseCB), f.charts().XZoomler, f.charts().Zoomler[0], f.charts().Zoomler[4]}) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(f.charts().CrossMouseCB->isChecked());
    EXPECT_FALSE(f.N5->menuAction()->isEnabled());
    EXPECT_FALSE(f.N24->isEnabled());
    EXPECT_TRUE(f.SpeedButton7->isEnabled());

    const std::string a = deviceLine(10, 20, 30), b = deviceLine(10, 20, 31);
    port_->receive(QByteArray::fromStdString(a.substr(0, 40)));
    port_->receive(QByteArray::fromStdString(a.substr(40) + b));
    EXPECT_EQ(f.currentDataFileName(), QStringLiteral("20070522102030.pc"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Kordel-K5 - 20070522102030.pc"));
    EXPECT_EQ(test::readFile(startDir_.filePath(QStringLiteral("20070522102030.pc"))).toStdString(), a + b);
    EXPECT_EQ(f.lineCount(), 2);
    EXPECT_EQ(f.currentDay(), 22);

    f.SpeedButton7Click();
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_EQ(f.currentDay(), 0);
    for (QWidget* w : {static_cast<QWidget*>(f.SpeedButton8), static_cast<QWidget*>(f.SpeedButton5),
                       static_cast<QWidget*>(f.SpeedButton6), static_cast<QWidget*>(f.SpeedButton3),
                       static_cast<QWidget*>(f.charts().CrossMouseCB), f.charts().XZoomler, f.charts().Zoomler[2]}) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(f.N5->menuAction()->isEnabled());
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("Start program KORDEL-K5 Version 1.4 - 22.05.2007"),
                                       QStringLiteral("Comport: /dev/ttyUSB0"), QStringLiteral("Button: Record"),
                                       QStringLiteral("Start Record: 20070522102030.pc"),
                                       QStringLiteral("Button: Stop")}));
}

TEST_F(MainFormLinkTest, ARecordThatCannotOpenThePortIsReportedAndLeavesTheProgramIdle) {
    port_->failOpen = true;
    form_->SpeedButton8Click();
    test::drainEvents();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("Cannot open the port /dev/ttyUSB0: No such file or directory")});
    EXPECT_EQ(form_->linkState(), Idle);
    for (QWidget* w : {static_cast<QWidget*>(form_->SpeedButton8), static_cast<QWidget*>(form_->SpeedButton6),
                       form_->charts().XZoomler}) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(form_->N5->menuAction()->isEnabled());
}

TEST_F(MainFormLinkTest, APortFailureWhileRecordingIsRetriedUntilThePortIsBackOrStop) {
    TMainForm& f = *form_;
    auto* retry = f.findChild<PortRetry*>();
    ASSERT_NE(retry, nullptr);
    f.SpeedButton8Click();
    port_->receive(QByteArray::fromStdString(deviceLine(10, 20, 30)));
    port_->fail(QStringLiteral("The port /dev/ttyUSB0 failed: Input/output error"));
    test::drainEvents();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("The port /dev/ttyUSB0 failed: Input/output error")});
    EXPECT_EQ(f.StatusPanel[3]->text(), QStringLiteral("Waiting for /dev/ttyUSB0..."));
    EXPECT_EQ(f.linkState(), Recording);
    EXPECT_TRUE(retry->active());

    port_->failOpen = true;
    retry->attempt();  // still gone
    EXPECT_TRUE(retry->active());
    port_->failOpen = false;
    retry->attempt();
    EXPECT_FALSE(retry->active());
    EXPECT_EQ(f.StatusPanel[3]->text(), QString());
    // A new run: its first line starts a new daily file.
    port_->receive(QByteArray::fromStdString(deviceLine(10, 25, 0)));
    EXPECT_EQ(f.currentDataFileName(), QStringLiteral("20070522102500.pc"));
    EXPECT_EQ(logLines().mid(3), (QStringList{QStringLiteral("Error: The port /dev/ttyUSB0 failed: Input/output error"),
                                              QStringLiteral("Port open again: /dev/ttyUSB0"),
                                              QStringLiteral("Start Record: 20070522102500.pc")}));

    port_->fail(QStringLiteral("gone again"));
    EXPECT_TRUE(retry->active());
    f.SpeedButton7Click();  // Stop ends the waiting
    EXPECT_FALSE(retry->active());
    EXPECT_EQ(f.StatusPanel[3]->text(), QString());
    EXPECT_EQ(f.linkState(), Idle);
}

TEST_F(MainFormLinkTest, InvalidLinesAreRecordedAndLoggedByteForByteButNotPlotted) {
    TMainForm& f = *form_;
    f.SpeedButton8Click();
    std::string bad = deviceLine(10, 20, 31);
    bad[57] = '\xB0';  // Te unreadable
    bad[19] = '\x80';
    port_->receive(QByteArray::fromStdString(deviceLine(10, 20, 30) + bad));
    EXPECT_EQ(f.lineCount(), 2);
    EXPECT_EQ(f.charts().Chart[0]->pointCount(), 1u);
    EXPECT_EQ(f.StatusPanel[3]->text(), QDir(startDir_.path()).filePath(QStringLiteral("20070522102030.pc")));
    const QByteArray log = test::readFile(startDir_.filePath(QStringLiteral("kordel.log")));
    EXPECT_TRUE(log.contains(QByteArray("Kordel: Error string (1): ") + QByteArray::fromStdString(bad)));
    f.SpeedButton7Click();
    EXPECT_EQ(f.StatusPanel[3]->text(), QString());
}

TEST_F(MainFormLinkTest, ClosingWhileRecordingAsksAndYesWritesEveryByteBeforeTheEnd) {
    TMainForm& f = *form_;
    f.SpeedButton8Click();
    const std::string a = deviceLine(10, 20, 30);
    port_->receive(QByteArray::fromStdString(a));
    EXPECT_FALSE(f.close());  // "No": still recording
    EXPECT_EQ(dialogs_.yesNoQuestions, QStringList{QStringLiteral("Recording is running. Stop it and exit?")});
    EXPECT_EQ(f.linkState(), Recording);
    EXPECT_TRUE(f.isVisible());

    const std::string b = deviceLine(10, 20, 31).substr(0, 30);
    port_->receive(QByteArray::fromStdString(b));
    dialogs_.yesNoAnswers = {true};
    EXPECT_TRUE(f.close());
    EXPECT_EQ(test::readFile(startDir_.filePath(QStringLiteral("20070522102030.pc"))).toStdString(), a + b);
    const QStringList log = logLines();
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{QStringLiteral("Button: Stop"), QStringLiteral("Exit program")}));
}

TEST_F(MainFormLinkTest, TheTimeKeysLeaveTheLiveAxesAloneWhileRecording) {
    TMainForm& f = *form_;
    f.SpeedButton8Click();
    port_->receive(QByteArray::fromStdString(deviceLine(10, 20, 30) + deviceLine(10, 20, 31)));
    const AxisRange following = f.charts().Chart[0]->timeAxis();  // the two samples received
    for (int key : {Qt::Key_PageDown, Qt::Key_Home, Qt::Key_Left}) {
        f.charts().ScrollByKey(key);
    }
    EXPECT_EQ(f.charts().Chart[0]->timeAxis(), following);
    EXPECT_EQ(f.charts().Chart[4]->timeAxis(), following);
}

TEST_F(MainFormLinkTest, ADateReplyThatIsNotBcdIsLoggedAsInvalidAndNotShown) {
    TMainForm& f = *form_;
    f.instrumentSession().requestDateTime();
    port_->receive(QByteArray("\x31\x11\x31\x2E\x30\x30\x20\x31", 8));
    EXPECT_EQ(f.Form6->Edit2->text(), QStringLiteral("??"));
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_EQ(logLines().last(), QStringLiteral("Kordel: Error datetime (3120-11-31  2E:30:30)"));
}

TEST_F(MainFormLinkTest, ThePortMenuReportsANewPortThatWillNotOpenAtOnce) {
    TMainForm& f = *form_;
    ASSERT_TRUE(f.openPort(true));
    PortSettings other = port_->settings();
    other.portName = QStringLiteral("/dev/ttyUSB7");
    dialogs_.portSetupAnswer = other;
    port_->failOpen = true;
    f.N24Click();
    test::drainEvents();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("Cannot open the port /dev/ttyUSB7: No such file or directory")});
}

TEST_F(MainFormLinkTest, ThePortMenuLogsThePortWhicheverButtonClosedIt) {
    form_->setLinkState(AwaitStatus);
    form_->N24Click();  // cancelled
    EXPECT_EQ(form_->linkState(), Idle);
    EXPECT_EQ(dialogs_.portSetupShownWith.size(), 1u);
    EXPECT_EQ(dialogs_.portSetupShownWith[0].baudRate, 9600);
    PortSettings other = port_->settings();
    other.portName = QStringLiteral("/dev/ttyUSB1");
    dialogs_.portSetupAnswer = other;
    form_->N24Click();
    EXPECT_EQ(port_->settings().portName, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(logLines().mid(1), (QStringList{QStringLiteral("Comport: /dev/ttyUSB0"), QStringLiteral("Comport: /dev/ttyUSB1")}));
}

TEST_F(MainFormLinkTest, OpenFileReadsTheFileAndRemembersItsFolder) {
    const QString file = startDir_.filePath(QStringLiteral("data/day.pc"));
    QDir(startDir_.path()).mkdir(QStringLiteral("data"));
    test::writeFile(file, "a\r\nb\r\nc\r\n2007 05 22 10 20 30 1 2 3 4 5\r\n");
    dialogs_.openAnswers.push_back(file);
    form_->OpenDATA1Click();
    // "Data files" first: the program's own and the IAGA-2002 names together.
    EXPECT_EQ(dialogs_.openFilters,
              QStringList{QStringLiteral(
                  "Data files (*.pc *.fl *.min *.sec *.hor *.day *.mon)|*.pc;*.fl;*.min;*.sec;*.hor;*.day;*.mon|"
                  "Kordel txt-file (*.pc)|*.pc|Kordel txt-file (*.fl)|*.fl|"
                  "IAGA-2002 (*.min *.sec *.hor *.day *.mon *.txt)|*.min;*.sec;*.hor;*.day;*.mon;*.txt|"
                  "All files (*.*)|*.*")});
    EXPECT_EQ(form_->openDialogInitialDir(), startDir_.filePath(QStringLiteral("data")));
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Kordel File viewer: ") + file);
    EXPECT_EQ(form_->currentDataFileName(), file);
    EXPECT_EQ(form_->recentData().items(), std::vector<std::string>{file.toStdString()});
    EXPECT_EQ(logLines().last(), QStringLiteral("Open file: ") + file);
    EXPECT_TRUE(form_->Recentdata1->isEnabled());
}

TEST_F(MainFormLinkTest, AnErrorLineAsksAndCancelKeepsTheTitle) {
    const QString file = startDir_.filePath(QStringLiteral("day.pc"));
    test::writeFile(file, "a\r\nb\r\nc\r\n2007 05 22 10 20 30 1 2 3 4 5\r\n2007 02 30 10 20 30 1 2 3 4 5\r\n");
    dialogs_.openAnswers.push_back(file);
    dialogs_.okAnswers.push_back(false);
    const QString before = form_->windowTitle();
    form_->OpenDATA1Click();
    EXPECT_EQ(dialogs_.questions,
              QStringList{QStringLiteral("Error in line 5\r\n2007 02 30 10 20 30 1 2 3 4 5\r\nContinue ?")});
    EXPECT_EQ(form_->windowTitle(), before);
    EXPECT_EQ(logLines().last(), QStringLiteral("Open file: ") + file);  // the command goes on
}

TEST_F(MainFormLinkTest, SkipAllSkipsTheRestOfTheErrorLinesAndCountsThemOnce) {
    const QString file = startDir_.filePath(QStringLiteral("day.pc"));
    test::writeFile(file, "a\r\nb\r\nc\r\nbad 1\r\nbad 2\r\n2007 05 22 10 20 30 1 2 3 4 5\r\nbad 3\r\nbad 4\r\n");
    dialogs_.openAnswers.push_back(file);
    dialogs_.lineAnswers = {Dialogs::LineAnswer::Ok, Dialogs::LineAnswer::SkipAll};
    form_->OpenDATA1Click();
    EXPECT_EQ(dialogs_.questions, (QStringList{QStringLiteral("Error in line 4\r\nbad 1\r\nContinue ?"),
                                               QStringLiteral("Error in line 5\r\nbad 2\r\nContinue ?")}));
    EXPECT_EQ(dialogs_.messages, QStringList{QStringLiteral("Error lines skipped: 2")});
    EXPECT_EQ(form_->charts().Chart[0]->pointCount(), 1u);
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Kordel File viewer: ") + file);
    EXPECT_EQ(logLines().mid(1), (QStringList{QStringLiteral("Error lines skipped: 2"), QStringLiteral("Open file: ") + file}));
}

TEST_F(MainFormLinkTest, AFileThatCannotBeReadIsReportedAndStaysInTheList) {
    const QString missing = startDir_.filePath(QStringLiteral("gone.pc"));
    EXPECT_FALSE(form_->LoadDataFile(missing));
    test::drainEvents();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("Cannot open ") + missing + QStringLiteral(": No such file or directory")});
    EXPECT_EQ(form_->currentDataFileName(), missing);
    EXPECT_EQ(form_->recentData().items().front(), missing.toStdString());
}

TEST_F(MainFormLinkTest, ARecentEntryOfADeletedFileIsReportedAndDropped) {
    const QString file = startDir_.filePath(QStringLiteral("day.pc"));
    test::writeFile(file, "a\r\nb\r\nc\r\n");
    ASSERT_TRUE(form_->LoadDataFile(file));
    QFile::remove(file);
    form_->Recentdata1->actions().constFirst()->trigger();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("File \r\n") + file + QStringLiteral("\r\n not found :-( !")});
    EXPECT_TRUE(form_->recentData().empty());
    EXPECT_FALSE(form_->Recentdata1->isEnabled());
}
