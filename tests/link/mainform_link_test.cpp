// The main window's serial side and its data files, with a fake port.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/mainform.h"
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

    f.CrossMouseCB->setChecked(true);
    f.SpeedButton8Click();
    EXPECT_EQ(f.linkState(), Recording);
    EXPECT_EQ(port_->settings().baudRate, 9600);
    EXPECT_TRUE(port_->isOpen());
    for (QWidget* w : {static_cast<QWidget*>(f.SpeedButton8), static_cast<QWidget*>(f.SpeedButton5),
                       static_cast<QWidget*>(f.SpeedButton6), static_cast<QWidget*>(f.SpeedButton3),
                       static_cast<QWidget*>(f.SpeedButton9), static_cast<QWidget*>(f.SpeedButton10),
                       static_cast<QWidget*>(f.CrossMouseCB), f.XZoomler, f.Zoomler[0], f.Zoomler[4]}) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(f.CrossMouseCB->isChecked());
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
                       static_cast<QWidget*>(f.CrossMouseCB), f.XZoomler, f.Zoomler[2]}) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_TRUE(f.N5->menuAction()->isEnabled());
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("Start program KORDEL-K5 Version 1.4 - 22.05.2007"),
                                       QStringLiteral("Comport: /dev/ttyUSB0"), QStringLiteral("Button: Record"),
                                       QStringLiteral("Start Record: 20070522102030.pc"),
                                       QStringLiteral("Button: Stop")}));
}

TEST_F(MainFormLinkTest, APortThatWillNotOpenIsReportedAndStopStillFreesTheControls) {
    port_->failOpen = true;
    form_->SpeedButton8Click();
    test::drainEvents();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("Cannot open the port /dev/ttyUSB0: No such file or directory")});
    EXPECT_EQ(form_->linkState(), Recording);
    EXPECT_FALSE(form_->SpeedButton8->isEnabled());
    form_->SpeedButton7Click();
    EXPECT_TRUE(form_->SpeedButton8->isEnabled());
    EXPECT_EQ(form_->linkState(), Idle);
}

TEST_F(MainFormLinkTest, APortFailureWhileRecordingIsLoggedAndReported) {
    form_->SpeedButton8Click();
    port_->fail(QStringLiteral("The port /dev/ttyUSB0 failed: Input/output error"));
    test::drainEvents();
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("The port /dev/ttyUSB0 failed: Input/output error")});
    EXPECT_EQ(logLines().last(), QStringLiteral("Error: The port /dev/ttyUSB0 failed: Input/output error"));
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
    EXPECT_EQ(dialogs_.openFilters, QStringList{QStringLiteral(
                                        "Kordel txt-file (*.pc)|*.pc|Kordel txt-file (*.fl)|*.fl|All files (*.*)|*.*")});
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
    EXPECT_EQ(dialogs_.messages, QStringList{QStringLiteral("File \r\n") + file + QStringLiteral("\r\n not found :-( !")});
    EXPECT_TRUE(form_->recentData().empty());
    EXPECT_FALSE(form_->Recentdata1->isEnabled());
}
