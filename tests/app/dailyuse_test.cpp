// What a station operator meets every day: where the recordings go, the first
// screen, the shortcuts and the guide, the export dialog's file name, the boxes
// that end on their own, the port list and the log of opened files.

#include <gtest/gtest.h>

#include <functional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/errorreport.h"
#include "app/firstscreen.h"
#include "app/mainform.h"
#include "app/yesnodialog.h"
#include "charts/chartview.h"
#include "exchange/exportdialog.h"
#include "exchange/exportname.h"
#include "files/recordingsfolder.h"
#include "link/portdialog.h"
#include "link/statuswindow.h"
#include "testsupport.h"
#include "windowtest.h"

using namespace kordel;
using F = ExportChoice::Format;
using I = ExportInterval;

namespace {

const QByteArray kLine = "2007 05 22 10 20 30.00 20000.00  1500.25 44000.50  25.3  30.1\r\n";

class DailyUseTest : public test::WindowTest {
protected:
    void TearDown() override {
        if (form_) stopForm();
    }
    RecordingsFolder& folder() { return *form_->findChild<RecordingsFolder*>(); }
    FirstScreen& firstScreen() { return *form_->findChild<FirstScreen*>(); }
    // Runs `act` on the modal dialog of type T once it is up (the caller then opens it).
    template <typename T>
    void whenShown(std::function<void(T&)> act) {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                act(*d);
            }
        });
        timer->start(10);
    }

    test::FakeDialogs dialogs_;
    test::FixedClock clock_{{2007, 5, 22, 14, 5, 9, 0}};
};

}  // namespace

// ---- where the data goes ----

TEST(RecordingsFolderText, ATildeIsTheHomeFolder) {
    const QString home = QDir::homePath();
    const std::pair<QString, QString> cases[] = {
        {QString(), QString()},
        {QStringLiteral("  "), QString()},
        {QStringLiteral("~"), home},
        {QStringLiteral("~/Kordel"), home + QStringLiteral("/Kordel")},
        {QStringLiteral(" /data/hut "), QStringLiteral("/data/hut")},
        {QStringLiteral("~other/x"), QStringLiteral("~other/x")},  // another user's home is not guessed
        {QStringLiteral("rel/dir"), QStringLiteral("rel/dir")},
    };
    for (const auto& [typed, expanded] : cases) {
        EXPECT_EQ(expandedFolder(typed), expanded) << typed.toStdString();
    }
}

TEST_F(DailyUseTest, OutputDirIsMadeAndTakesTheRecordingWhileTheLogStaysInTheStartFolder) {
    const QString out = startDir_.filePath(QStringLiteral("rec/hut"));
    startForm(out);
    EXPECT_TRUE(QFileInfo(out).isDir());
    form_->SpeedButton8Click();
    port_->receive(kLine);
    EXPECT_EQ(test::readFile(out + QStringLiteral("/20070522102030.pc")), kLine);
    EXPECT_FALSE(QFile::exists(startDir_.filePath(QStringLiteral("20070522102030.pc"))));
    EXPECT_EQ(form_->StatusPanel[3]->text(), out + QStringLiteral("/20070522102030.pc"));
    form_->SpeedButton7Click();
    EXPECT_TRUE(logLines().contains(QStringLiteral("Recordings folder: ") + out));
    EXPECT_TRUE(logLines().contains(QStringLiteral("Start Record: 20070522102030.pc")));
}

TEST_F(DailyUseTest, TheSettingIsKeptAndTheCommandLineGoesOverIt) {
    const QString chosen = startDir_.filePath(QStringLiteral("chosen"));
    startForm();
    EXPECT_EQ(folder().folderInUse(), QString());  // empty: the working directory, as before
    ASSERT_NE(form_->findChild<QAction*>(QStringLiteral("RecordingsFolder1")), nullptr);
    folder().setSetting(chosen);
    EXPECT_EQ(folder().folderInUse(), chosen);
    stopForm();
    EXPECT_TRUE(test::readFile(exeDir_.filePath(QStringLiteral("kordel.ini"))).contains("[RecordingsFolder]"));

    startForm();
    EXPECT_EQ(folder().setting(), chosen);
    EXPECT_EQ(folder().folderInUse(), chosen);
    stopForm();

    const QString once = startDir_.filePath(QStringLiteral("once"));
    startForm(once);
    EXPECT_EQ(folder().setting(), chosen);
    EXPECT_EQ(folder().folderInUse(), once);
}

TEST_F(DailyUseTest, TheMenuEntryAsksForTheFolderAndAnEmptyFieldIsTheWorkingDirectory) {
    startForm();
    const QString chosen = startDir_.filePath(QStringLiteral("menu"));
    QString shownFirst;
    whenShown<RecordingsFolderDialog>([&](RecordingsFolderDialog& d) {
        shownFirst = d.field()->text();
        d.field()->setText(QStringLiteral("  ") + chosen + QStringLiteral(" "));
        d.accept();
    });
    form_->findChild<QAction*>(QStringLiteral("RecordingsFolder1"))->trigger();
    EXPECT_EQ(shownFirst, QString());
    EXPECT_EQ(folder().setting(), chosen);
    EXPECT_TRUE(QFileInfo(chosen).isDir());
    EXPECT_EQ(logLines().last(), QStringLiteral("Recordings folder: ") + chosen);

    whenShown<RecordingsFolderDialog>([&](RecordingsFolderDialog& d) {
        shownFirst = d.field()->text();
        d.field()->clear();
        d.accept();
    });
    form_->findChild<QAction*>(QStringLiteral("RecordingsFolder1"))->trigger();
    EXPECT_EQ(shownFirst, chosen);
    EXPECT_EQ(folder().folderInUse(), QString());
    form_->SpeedButton8Click();
    EXPECT_FALSE(form_->findChild<QAction*>(QStringLiteral("RecordingsFolder1"))->isEnabled());  // not mid-run
    form_->SpeedButton7Click();
}

TEST_F(DailyUseTest, AFolderThatCannotBeMadeIsReportedAndTheWorkingDirectoryServes) {
    test::writeFile(startDir_.filePath(QStringLiteral("file")), "x");
    startForm(startDir_.filePath(QStringLiteral("file/sub")));
    test::drainEvents();
    const QString message = QStringLiteral("Cannot make the recordings folder ") + startDir_.filePath(QStringLiteral("file/sub")) +
                            QStringLiteral("; recordings go to the working directory");
    EXPECT_EQ(dialogs_.errors, QStringList{message});
    EXPECT_EQ(folder().folderInUse(), QString());
}

// ---- the first screen ----

TEST_F(DailyUseTest, TheEmptyChartsSayWhatToDoUntilARecordIsShown) {
    startForm();
    FirstScreenNote* note = firstScreen().note();
    ASSERT_TRUE(note->isVisible());
    const QString text = note->text()->text();
    for (const char* part : {"Record from /dev/ttyUSB0", "File > Open file or Open folder", "Remote station...",
                             "Help > Guide (F1)"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << " in " << text.toStdString();
    }
    EXPECT_EQ(note->geometry(), form_->charts().rect());
    const QString file = startDir_.filePath(QStringLiteral("day.pc"));
    test::writeFile(file, "a\r\nb\r\nc\r\n" + kLine);
    ASSERT_TRUE(form_->LoadDataFile(file));
    EXPECT_TRUE(test::waitUntil([&] { return !note->isVisible(); }));
}

TEST_F(DailyUseTest, RecordHidesTheNoteAndADisabledStatusSaysWhy) {
    startForm();
    EXPECT_TRUE(firstScreen().note()->isVisible());
    EXPECT_EQ(form_->SpeedButton5->toolTip(), QString());
    form_->SpeedButton8Click();
    EXPECT_FALSE(firstScreen().note()->isVisible());
    EXPECT_FALSE(form_->SpeedButton5->isEnabled());
    EXPECT_EQ(form_->SpeedButton5->toolTip(), QStringLiteral("Status: stop recording first"));
    EXPECT_FALSE(form_->OpenDATA1->isEnabled());  // Ctrl+O waits for Stop too
    form_->SpeedButton7Click();
    EXPECT_TRUE(form_->SpeedButton5->isEnabled());
    EXPECT_EQ(form_->SpeedButton5->toolTip(), QString());
    EXPECT_TRUE(form_->OpenDATA1->isEnabled());
}

TEST_F(DailyUseTest, TheUsualShortcutsAndHelpGuide) {
    startForm();
    const std::pair<const char*, const char*> cases[] = {
        {"OpenDATA1", "Ctrl+O"}, {"OpenFolder1", "Ctrl+Shift+O"}, {"Export1", "Ctrl+E"},
        {"Exit1", "Ctrl+Q"},     {"Guide1", "F1"},
    };
    for (const auto& [name, keys] : cases) {
        const auto* action = form_->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(keys)) << name;
    }
    QStringList bar;
    for (const QAction* a : form_->menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar.indexOf(QStringLiteral("Help")) + 1, bar.indexOf(QStringLiteral("About")));

    QTest::keyClick(form_.get(), Qt::Key_F1);
    GuideWindow* guide = firstScreen().guideWindow();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_FALSE(guide->isModal());
    const QString text = guide->browser()->toPlainText();
    for (const char* part : {"Kordel-K5 guide", "What it is", "With the instrument", "Recordings folder"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    }
    EXPECT_FALSE(text.contains(QStringLiteral("Command-line tools")));  // the user's sections only
}

// ---- opening files ----

TEST_F(DailyUseTest, EveryOpenedFileIsLogged) {
    startForm();
    const QString a = startDir_.filePath(QStringLiteral("a.pc"));
    const QString b = startDir_.filePath(QStringLiteral("b.pc"));
    test::writeFile(a, "a\r\nb\r\nc\r\n" + kLine);
    test::writeFile(b, "a\r\nb\r\nc\r\n2007 05 23 10 20 30.00 20000.00  1500.25 44000.50  25.3  30.1\r\n");
    dialogs_.openAnswers.push_back(a + QLatin1Char('\n') + b);
    form_->OpenDATA1Click();
    EXPECT_EQ(logLines().mid(logLines().size() - 2),
              (QStringList{QStringLiteral("Open file: ") + b, QStringLiteral("Open file: ") + a}));
}

// ---- the export dialog ----

TEST(ExportName, ProposalsFromCodeDatesAndFormat) {
    constexpr std::int64_t day = 39'224LL * 86'400'000;  // 2007-05-22
    struct Case {
        const char* folder;
        std::string code;
        std::int64_t from, to;
        F format;
        I interval;
        const char* name;
    };
    const Case cases[] = {
        {"/data", "ABC", day, day + 3'600'000, F::Iaga2002, I::Native, "/data/abc20070522.sec"},
        {"/data", "ABC", day, day + 1, F::Iaga2002, I::Minute, "/data/abc20070522.min"},
        {"/data", "ABC", day, day, F::Iaga2002, I::Hour, "/data/abc20070522.hor"},
        {"/data", "ABC", day, day, F::Iaga2002, I::Day, "/data/abc20070522.day"},
        {"/data/", "XXX", day, day + 2 * 86'400'000LL, F::Csv, I::Second, "/data/xxx20070522-20070524.csv"},
        {"", "HUT", day - 1, day, F::Png, I::Native, "hut20070521-20070522.png"},
        {"/d", "HUT", day, day, F::Svg, I::Native, "/d/hut20070522.svg"},
        {"/d", "HUT", day, day - 5, F::Pdf, I::Native, "/d/hut20070522.pdf"},  // an end before the start
    };
    for (const Case& c : cases) {
        EXPECT_EQ(proposedExportName(QString::fromLatin1(c.folder), c.code, c.from, c.to, c.format, c.interval),
                  QString::fromLatin1(c.name))
            << c.name;
    }
}

TEST(ExportName, TypedNamesGetTheExtensionAndDifferencesAreNamed) {
    struct Case {
        const char* typed;
        F format;
        const char* path;      // completed
        const char* mismatch;  // what the dialog says
    };
    const Case cases[] = {
        {"/t/out", F::Csv, "/t/out.csv", ""},
        {"/t/out.", F::Png, "/t/out.png", ""},
        {" /t/out.csv ", F::Csv, "/t/out.csv", ""},
        {"/t/out.CSV", F::Csv, "/t/out.CSV", ""},
        {"/t/out.txt", F::Iaga2002, "/t/out.txt", ""},
        {"/t/out.min", F::Iaga2002, "/t/out.min", ""},
        {"/t/v1.2/out", F::Svg, "/t/v1.2/out.svg", ""},
        {"/t/out.png", F::Csv, "/t/out.png", ".png is not the chosen format's extension (.csv)."},
        {"/t/out.dat", F::Csv, "/t/out.dat", "No format uses .dat; the file is written as CSV all the same."},
        {"", F::Csv, "", ""},
    };
    for (const Case& c : cases) {
        const QString typed = QString::fromLatin1(c.typed);
        EXPECT_EQ(completedExportPath(typed, c.format, I::Native), QString::fromLatin1(c.path)) << c.typed;
        EXPECT_EQ(extensionMismatch(typed, c.format, I::Native), QString::fromLatin1(c.mismatch)) << c.typed;
    }
    EXPECT_EQ(formatOfExtension(QStringLiteral("SEC")), F::Iaga2002);
    EXPECT_EQ(formatOfExtension(QStringLiteral("pdf")), F::Pdf);
    EXPECT_EQ(formatOfExtension(QStringLiteral("pc")), std::nullopt);
}

TEST(ExportDialogName, FollowsTheChoicesUntilTypedAndATypedExtensionChoosesTheFormat) {
    constexpr std::int64_t day = 39'224LL * 86'400'000;  // 2007-05-22, the instrument's clock
    ExportChoice choice;
    choice.utcOffset = QStringLiteral("+03:00");
    TExportDialog d(choice);
    d.proposeName({QStringLiteral("/data"), day + 3'600'000, day + 2 * 86'400'000LL, day + 5 * 3'600'000,
                   day + 6 * 3'600'000});
    // 01:00 at UTC+3 is the day before in UT.
    EXPECT_EQ(d.FileName->text(), QStringLiteral("/data/xxx20070521-20070523.sec"));
    d.StationCode->setText(QStringLiteral("HUT"));
    d.Range->setCurrentIndex(1);  // the visible window
    d.Interval->setCurrentIndex(d.Interval->findData(static_cast<int>(I::Minute)));
    EXPECT_EQ(d.FileName->text(), QStringLiteral("/data/hut20070522.min"));
    d.Format->setCurrentIndex(d.Format->findData(static_cast<int>(F::Csv)));
    EXPECT_EQ(d.FileName->text(), QStringLiteral("/data/hut20070522.csv"));

    d.FileName->clear();
    QTest::keyClicks(d.FileName, QStringLiteral("/t/plot.svg"));
    EXPECT_EQ(d.settings().format, F::Svg);
    EXPECT_FALSE(d.FileNote->isVisibleTo(&d));
    d.Format->setCurrentIndex(d.Format->findData(static_cast<int>(F::Pdf)));
    EXPECT_EQ(d.FileName->text(), QStringLiteral("/t/plot.pdf"));  // the typed name keeps up
    d.StationCode->setText(QStringLiteral("ABC"));
    EXPECT_EQ(d.FileName->text(), QStringLiteral("/t/plot.pdf"));  // and is no longer proposed over

    d.FileName->clear();
    QTest::keyClicks(d.FileName, QStringLiteral("/t/day.hor"));
    EXPECT_EQ(d.settings().format, F::Iaga2002);
    EXPECT_EQ(d.settings().interval, I::Hour);
    d.FileName->clear();
    QTest::keyClicks(d.FileName, QStringLiteral("/t/values"));
    EXPECT_EQ(d.filePath(), QStringLiteral("/t/values.hor"));
    QTest::keyClicks(d.FileName, QStringLiteral(".dat"));
    EXPECT_TRUE(d.FileNote->isVisibleTo(&d));
    EXPECT_EQ(d.FileNote->text(), QStringLiteral("No format uses .dat; the file is written as HOR all the same."));
}

TEST_F(DailyUseTest, ExportProposesTheShownRecordsFolderAndSaysWhereItWrote) {
    startForm();
    QDir(startDir_.path()).mkdir(QStringLiteral("data"));
    const QString file = startDir_.filePath(QStringLiteral("data/day.pc"));
    test::writeFile(file, "a\r\nb\r\nc\r\n" + kLine);
    ASSERT_TRUE(form_->LoadDataFile(file));
    QString proposed;
    whenShown<TExportDialog>([&](TExportDialog& d) {
        proposed = d.FileName->text();
        d.Format->setCurrentIndex(d.Format->findData(static_cast<int>(F::Csv)));
        d.FileName->setText(startDir_.filePath(QStringLiteral("data/out")));
        d.accept();
    });
    form_->findChild<QAction*>(QStringLiteral("Export1"))->trigger();
    EXPECT_EQ(proposed, startDir_.filePath(QStringLiteral("data/xxx20070522.sec")));
    const QString written = startDir_.filePath(QStringLiteral("data/out.csv"));
    EXPECT_TRUE(QFile::exists(written));
    EXPECT_EQ(dialogs_.errors, QStringList());
    EXPECT_EQ(logLines().last(), QStringLiteral("Exported to ") + written);
    const auto* status = form_->StatusBar1->findChild<QLabel*>(QStringLiteral("RecordExportStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), QStringLiteral("Exported to ") + written);
}

// ---- messages that end on their own ----

TEST(PortFailureBox, ClosesWhenThePortIsBackAndOtherReportsStay) {
    setDialogs(nullptr);  // the real boxes
    ErrorReport& report = ErrorReport::instance();
    QStringList seen;
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || seen.contains(box->text())) return;
        seen << box->text();
        if (box->text().startsWith(QStringLiteral("Port"))) {
            report.withdrawPortFailures();  // the port is back
        } else {
            box->done(QMessageBox::Ok);  // the user answers the other one
        }
    });
    timer->start(20);
    report.report(QStringLiteral("Port /dev/ttyUSB0: gone"), ErrorReport::Kind::PortFailure);
    report.report(QStringLiteral("Disk full"));
    report.report(QStringLiteral("Port /dev/ttyUSB1: gone"), ErrorReport::Kind::PortFailure);
    EXPECT_TRUE(test::waitUntil([&] { return report.pending().isEmpty(); }));
    delete timer;
    // The second port failure was withdrawn before it was shown.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Port /dev/ttyUSB0: gone"), QStringLiteral("Disk full")}));
}

TEST(YesNoBox, NoIsTheDefaultSoEnterNeverAnswersYes) {
    bool answer = true;
    TYesNo box(&answer);
    EXPECT_TRUE(box.Button2->isDefault());
    EXPECT_FALSE(box.Button1->isDefault());
    QTimer::singleShot(0, &box, [&box] { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, Qt::Key_Return); });
    EXPECT_FALSE(box.ask(QStringLiteral("q"), QStringLiteral("Recording is running. Stop it and exit?")));
}

TEST(SetTimeQuestion, NamesTheTimeItSets) {
    EXPECT_EQ(TForm6::setTimeQuestion({2026, 12, 8, 7, 5, 9, 400}),
              QStringLiteral("Set the instrument's clock to this computer's date and time, 08/12/2026 07:05:09?"));
}

// ---- finding the instrument ----

TEST(PortList, EachPortSaysWhatItIs) {
    const QString dash = QStringLiteral(" \u2014 ");
    struct Case {
        const char* location;
        const char* description;
        const char* manufacturer;
        const char* byId;
        QString name, label;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
         QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"),
         QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0") + dash +
             QStringLiteral("FT232R USB UART, FTDI (/dev/ttyUSB0)")},
        {"/dev/ttyS0", "", "", "", QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS0")},
        {"/dev/ttyACM0", "CDC", "CDC", "", QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyACM0") + dash + QStringLiteral("CDC")},
        {"/dev/ttyS1", "", "Acme", "", QStringLiteral("/dev/ttyS1"), QStringLiteral("/dev/ttyS1") + dash + QStringLiteral("Acme")},
    };
    for (const Case& c : cases) {
        const PortEntry e = portEntry(QString::fromLatin1(c.location), QString::fromLatin1(c.description),
                                      QString::fromLatin1(c.manufacturer), QString::fromLatin1(c.byId));
        EXPECT_EQ(e.name, c.name) << c.location;
        EXPECT_EQ(e.label, c.label) << c.location;
    }
}

TEST(PortList, TheByIdNameIsTheLinkToThePort) {
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
    test::writeFile(device, {});
    test::writeFile(dir.filePath(QStringLiteral("ttyUSB1")), {});
    QDir(dir.path()).mkdir(QStringLiteral("by-id"));
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("ttyUSB1")), byId + QStringLiteral("/usb-Other-port0")));
    ASSERT_TRUE(QFile::link(device, byId + QStringLiteral("/usb-FTDI-port0")));
    EXPECT_EQ(byIdNameOf(device, byId), byId + QStringLiteral("/usb-FTDI-port0"));
    EXPECT_EQ(byIdNameOf(dir.filePath(QStringLiteral("ttyS9")), byId), QString());
    EXPECT_EQ(byIdNameOf(device, dir.filePath(QStringLiteral("none"))), QString());
}

// ---- the README's pictures ----

// Writes the first screen and the export dialog as the README shows them, when
// KORDEL_SCREENSHOT_DIR names a folder (`docs/` when they are to be renewed).
TEST_F(DailyUseTest, ReadmePictures) {
    const QString out = qEnvironmentVariable("KORDEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "KORDEL_SCREENSHOT_DIR is not set";
    startForm();
    form_->resize(960, 600);
    test::drainEvents();
    EXPECT_TRUE(form_->grab().save(QDir(out).filePath(QStringLiteral("first-screen.png"))));
    const QString file = startDir_.filePath(QStringLiteral("day.pc"));
    test::writeFile(file, "a\r\nb\r\nc\r\n" + kLine);
    ASSERT_TRUE(form_->LoadDataFile(file));
    ExportChoice choice;
    choice.station.code = "HUT";
    choice.station.name = "Hut on the hill";
    TExportDialog d(choice, form_.get());
    d.proposeName({QStringLiteral("/home/observer/Kordel"), 39'224LL * 86'400'000, 39'226LL * 86'400'000, 0, 0});
    d.show();
    test::drainEvents();
    EXPECT_TRUE(d.grab().save(QDir(out).filePath(QStringLiteral("export-dialog.png"))));
}
