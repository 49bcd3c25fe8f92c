#include <gtest/gtest.h>

#include <cmath>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/aboutbox.h"
#include "app/applicationsetup.h"
#include "widgets/zoomler.h"
#include "app/mainform.h"
#include "charts/chartview.h"
#include "charts/channelchart.h"
#include "files/flashdumpwriter.h"
#include "files/summarywindow.h"
#include "testsupport.h"

using namespace kordel;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(startDir_.isValid() && exeDir_.isValid());
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(startDir_.path());
    }
    void TearDown() override {
        test::drainEvents();  // reports still queued belong to this test's dialogs
        form_.reset();
        QDir::setCurrent(previousDir_);
    }

    TMainForm& start(const QString& dataFile = {}) {
        MainFormOptions options;
        options.exeDir = exeDir_.path();
        options.dataFile = dataFile;
        form_ = std::make_unique<TMainForm>(options);
        form_->createSecondaryWindows();
        form_->show();
        test::drainEvents();
        return *form_;
    }
    void stop() {
        form_->close();
        form_.reset();
    }
    QString iniPath() const { return exeDir_.filePath(QStringLiteral("kordel.ini")); }
    QString logPath() const { return startDir_.filePath(QStringLiteral("kordel.log")); }
    void writeIni(const QByteArray& text) { test::writeFile(iniPath(), text); }
    QStringList logLines() const {
        QString text = QString::fromUtf8(test::readFile(logPath()));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }
    int ppi() const { return qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()); }

    QTemporaryDir startDir_;
    QTemporaryDir exeDir_;
    QString previousDir_;
    test::FakeDialogs dialogs_;
    test::FixedClock clock_{{2007, 5, 22, 14, 5, 9, 0}};
    std::unique_ptr<TMainForm> form_;
};

std::vector<int> shownPanelHeights(const TMainForm& f) {
    std::vector<int> h;
    for (int k = 0; k < kordel::ChartView::kChannels; ++k) {
        h.push_back(f.charts().Panel[k]->isVisible() ? f.charts().Panel[k]->height() : -1);
    }
    return h;
}

}  // namespace

TEST_F(MainFormTest, StartsIdleWithTheDesignedWindowWhenThereIsNoSettingsFile) {
    TMainForm& f = start();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Kordel-K5 - Version 1.4 - 22.05.2007"));
    EXPECT_EQ(f.pos(), QPoint(64, 78));
    EXPECT_EQ(f.size(), QSize(909, 569));
    EXPECT_FALSE(f.charts().CrossMouseCB->isChecked());
    EXPECT_EQ(f.currentDataFileName(), QStringLiteral("!.pc"));
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_EQ(f.blockPosition(), 1);
    EXPECT_EQ(f.arrowCounter(), 1);
    EXPECT_EQ(f.lineCount(), 0);
    EXPECT_EQ(f.currentDay(), 0);
    EXPECT_EQ(f.charts().selectedChart(), -1);
    EXPECT_FALSE(f.answerFlag());
    EXPECT_FALSE(f.Recentdata1->isEnabled());

    const int h = (f.charts().PanelArea->height() - 6) / 5;
    const auto heights = shownPanelHeights(f);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(heights[k], h) << k;
    EXPECT_EQ(heights[4], f.charts().PanelArea->height() - f.charts().Panel[4]->y());
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(f.charts().Splitter[k]->isVisible()) << k;

    // The progress bar lies over status panel 1.
    EXPECT_EQ(f.ProgressBar1->geometry().left(), f.StatusPanel[1]->x());
    EXPECT_EQ(f.ProgressBar1->width(), 100);
    EXPECT_EQ(f.ProgressBar1->maximum(), 100);
    EXPECT_EQ(f.StatusPanel[0]->width(), 150);
}

TEST_F(MainFormTest, ControlsCarryTheirCaptionsAndHints) {
    TMainForm& f = start();
    const char* captions[] = {"B&x", "B&y", "B&z", "T&s", "T&e"};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(f.charts().CheckBox[k]->text(), QString::fromLatin1(captions[k]));
        EXPECT_TRUE(f.charts().CheckBox[k]->isChecked());
    }
    const std::pair<QWidget*, const char*> hints[] = {
        {f.SpeedButton8, "Record"}, {f.SpeedButton7, "Stop"}, {f.SpeedButton3, "Flash"},
        {f.SpeedButton6, "log-file"}, {f.Panel8, "Record"}, {f.charts().SpeedButton9, "Range"},
        {f.charts().SpeedButton10, "Zoom"}};
    for (auto [w, hint] : hints) EXPECT_EQ(w->toolTip(), QString::fromLatin1(hint));
    EXPECT_EQ(f.charts().CrossMouseCB->text(), QStringLiteral("Mouse"));
    EXPECT_EQ(f.OpenDATA1->text(), QStringLiteral("&Open file"));
    EXPECT_EQ(f.Recentdata1->title(), QStringLiteral("List of files..."));
    EXPECT_EQ(f.Exit1->text(), QStringLiteral("&Exit"));
    EXPECT_EQ(f.N24->text(), QStringLiteral("ComPort"));
    EXPECT_EQ(f.N2->text(), QStringLiteral("About"));
}

TEST_F(MainFormTest, LogsStartFirstAndExitLastInTheStartFolder) {
    start();
    QDir::setCurrent(exeDir_.path());  // a later change of directory does not move the log
    form_->WriteLog(QStringLiteral("middle"));
    stop();
    EXPECT_EQ(logLines(), (QStringList{
                              QStringLiteral("22/05/2007 14:05:09: Start program KORDEL-K5 Version 1.4 - 22.05.2007"),
                              QStringLiteral("22/05/2007 14:05:09: middle"),
                              QStringLiteral("22/05/2007 14:05:09: Exit program")}));
    EXPECT_FALSE(QFile::exists(exeDir_.filePath(QStringLiteral("kordel.log"))));
    EXPECT_TRUE(QFile::exists(iniPath()));
    EXPECT_FALSE(QFile::exists(startDir_.filePath(QStringLiteral("kordel.ini"))));
}

TEST_F(MainFormTest, InstalledProgramKeepsItsSettingsInTheUsersFolderAndSaysWhere) {
    QTemporaryDir config;
    const bool hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    MainFormOptions options;
    options.exeDir = QStringLiteral("/usr/share");
    form_ = std::make_unique<TMainForm>(options);
    form_->createSecondaryWindows();
    form_->show();
    test::drainEvents();
    stop();
    if (hadConfigHome) {
        qputenv("XDG_CONFIG_HOME", previous);
    } else {
        qunsetenv("XDG_CONFIG_HOME");
    }
    const QString ini = config.path() + QStringLiteral("/kordel/kordel.ini");
    EXPECT_EQ(logLines().value(1), QStringLiteral("22/05/2007 14:05:09: Settings in ") + ini +
                                       QStringLiteral(": the program's folder /usr/share is a system folder"));
    EXPECT_EQ(logLines().size(), 3);
    EXPECT_TRUE(QSettings(ini, QSettings::IniFormat).contains(QStringLiteral("TMainForm/NormPos")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/usr/share/kordel.ini")));
}

TEST_F(MainFormTest, SettingsAreWrittenAtCloseAndReadBack) {
    start();
    form_->charts().CheckBox[2]->setChecked(false);
    form_->charts().CrossMouseCB->setChecked(true);
    form_->charts().AutoYCB->setChecked(true);
    form_->charts().CheckBox[5]->setChecked(true);
    stop();

    QSettings ini(iniPath(), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("TMainForm"));
    EXPECT_EQ(ini.value(QStringLiteral("FormVersion")).toString(), QStringLiteral("0"));
    EXPECT_EQ(ini.value(QStringLiteral("ShowCmd")).toString(), QStringLiteral("1"));
    EXPECT_EQ(ini.value(QStringLiteral("NormPos")).toString(), QStringLiteral("64,78,973,647"));
    EXPECT_EQ(ini.value(QStringLiteral("PixelsPerInch")).toInt(), ppi());
    EXPECT_EQ(ini.value(QStringLiteral("CheckBox2_Checked")).toString(), QStringLiteral("False"));
    EXPECT_EQ(ini.value(QStringLiteral("CheckBox1_Checked")).toString(), QStringLiteral("True"));
    EXPECT_EQ(ini.value(QStringLiteral("CrossMouseCB_Checked")).toString(), QStringLiteral("True"));
    EXPECT_TRUE(ini.contains(QStringLiteral("Panel4_Height")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Panel5_Height")));
    EXPECT_EQ(ini.value(QStringLiteral("AutoYCB_Checked")).toString(), QStringLiteral("True"));
    EXPECT_EQ(ini.value(QStringLiteral("CheckBox5_Checked")).toString(), QStringLiteral("True"));
    ini.endGroup();

    TMainForm& f = start();
    EXPECT_FALSE(f.charts().CheckBox[2]->isChecked());
    EXPECT_FALSE(f.charts().Panel[2]->isVisible());
    EXPECT_TRUE(f.charts().CrossMouseCB->isChecked());
    EXPECT_TRUE(f.charts().AutoYCB->isChecked());
    EXPECT_TRUE(f.charts().Panel[5]->isVisible());
}

TEST_F(MainFormTest, AStoredUncheckedBzHidesItsPanelAndTheOthersShareTheHeight) {
    writeIni("[TMainForm]\nCheckBox2_Checked=False\n");
    TMainForm& f = start();
    EXPECT_FALSE(f.charts().CheckBox[2]->isChecked());
    const int h = (f.charts().PanelArea->height() - 6) / 4;
    const auto heights = shownPanelHeights(f);
    EXPECT_EQ(heights[0], h);
    EXPECT_EQ(heights[1], h);
    EXPECT_EQ(heights[2], -1);
    EXPECT_EQ(heights[3], h);
    EXPECT_EQ(heights[4], f.charts().PanelArea->height() - f.charts().Panel[4]->y());
    EXPECT_FALSE(f.charts().Splitter[2]->isVisible());
    EXPECT_TRUE(f.charts().Splitter[3]->isVisible());
}

TEST_F(MainFormTest, AllChannelsStoredOffLeaveTheLastOneShown) {
    writeIni("[TMainForm]\nCheckBox0_Checked=False\nCheckBox1_Checked=False\nCheckBox2_Checked=False\n"
             "CheckBox3_Checked=False\nCheckBox4_Checked=False\n");
    TMainForm& f = start();
    for (int k = 0; k < 4; ++k) {
        EXPECT_FALSE(f.charts().CheckBox[k]->isChecked()) << k;
        EXPECT_FALSE(f.charts().Panel[k]->isVisible()) << k;
        EXPECT_FALSE(f.charts().Splitter[k]->isVisible()) << k;
    }
    EXPECT_TRUE(f.charts().CheckBox[4]->isChecked());
    EXPECT_TRUE(f.charts().Panel[4]->isVisible());
    EXPECT_EQ(f.charts().Panel[4]->geometry(), QRect(0, 0, f.charts().PanelArea->width(), f.charts().PanelArea->height()));
}

TEST_F(MainFormTest, UncheckingTheOnlyShownChannelKeepsIt) {
    TMainForm& f = start();
    for (int k = 0; k < 4; ++k) QTest::mouseClick(f.charts().CheckBox[k], Qt::LeftButton);
    const QRect before = f.charts().Panel[4]->geometry();
    QTest::mouseClick(f.charts().CheckBox[4], Qt::LeftButton);
    EXPECT_TRUE(f.charts().CheckBox[4]->isChecked());
    EXPECT_EQ(f.charts().Panel[4]->geometry(), before);
    QTest::mouseClick(f.charts().CheckBox[1], Qt::LeftButton);  // back in its channel order
    EXPECT_EQ(f.charts().Panel[1]->y(), 0);
    EXPECT_GT(f.charts().Panel[4]->y(), f.charts().Panel[1]->y());
}

TEST_F(MainFormTest, PlacementIsRestoredOnlyAtTheSameResolution) {
    writeIni(QStringLiteral("[TMainForm]\nNormPos=\"100,120,1100,720\"\nPixelsPerInch=%1\nShowCmd=1\n")
                 .arg(ppi())
                 .toUtf8());
    start();
    EXPECT_EQ(form_->pos(), QPoint(100, 120));
    EXPECT_EQ(form_->size(), QSize(1000, 600));
    stop();

    writeIni(QStringLiteral("[TMainForm]\nNormPos=100,120,1100,720\nPixelsPerInch=%1\nShowCmd=1\n")
                 .arg(ppi() + 24)
                 .toUtf8());
    start();
    EXPECT_EQ(form_->pos(), QPoint(64, 78));
    EXPECT_EQ(form_->size(), QSize(909, 569));
    stop();

    writeIni(QStringLiteral("[TMainForm]\nNormPos=100,120,1100,720\nPixelsPerInch=%1\nShowCmd=3\n")
                 .arg(ppi() + 24)
                 .toUtf8());
    start();
    EXPECT_TRUE(form_->isMaximized());  // the show state is applied all the same
}

TEST_F(MainFormTest, ANegativeFormVersionAppliesNothing) {
    writeIni("[TMainForm]\nFormVersion=-1\nCheckBox2_Checked=False\n");
    TMainForm& f = start();
    EXPECT_TRUE(f.charts().CheckBox[2]->isChecked());
}

TEST_F(MainFormTest, UnreadableValuesLeaveTheDesignedOnes) {
    writeIni("[TMainForm]\nCheckBox2_Checked=maybe\nPanel0_Height=tall\nNormPos=1,2,3\n");
    TMainForm& f = start();
    EXPECT_TRUE(f.charts().CheckBox[2]->isChecked());
    EXPECT_EQ(f.size(), QSize(909, 569));
}

TEST_F(MainFormTest, RecentFilesAreReadBackWithAccelerators) {
    writeIni("[TMainForm.MRU_DATA]\nItem_0=/data/b.pc\nItem_1=/data/a.pc\n"
             "[TMainForm.MRU_FLASH]\nItem_0=/dumps/x.bin\n");
    TMainForm& f = start();
    ASSERT_TRUE(f.Recentdata1->isEnabled());
    const auto actions = f.Recentdata1->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&1 /data/b.pc"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("&2 /data/a.pc"));
    stop();
    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("TMainForm.MRU_DATA/Item_1")).toString(), QStringLiteral("/data/a.pc"));
    EXPECT_EQ(ini.value(QStringLiteral("TMainForm.MRU_FLASH/Item_0")).toString(), QStringLiteral("/dumps/x.bin"));
}

// File holds Export... above the separator before Exit; its station fields
// come from and go back to a section of their own.
TEST_F(MainFormTest, ExportSitsInTheFileMenuWithItsOwnSettingsSection) {
    writeIni("[Export]\nStationCode=KDH\nUtcOffset=+02:00\n");
    TMainForm& f = start();
    QStringList texts;
    for (const QAction* a : f.N5->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Open file"), QStringLiteral("Open &folder..."),
                                  QStringLiteral("List of files..."), QStringLiteral("Export..."),
                                  QStringLiteral("&Recordings folder..."), QStringLiteral("-"), QStringLiteral("&Exit")}));
    stop();
    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Export/StationCode")).toString(), QStringLiteral("KDH"));
    EXPECT_EQ(ini.value(QStringLiteral("Export/UtcOffset")).toString(), QStringLiteral("+02:00"));
    EXPECT_EQ(ini.value(QStringLiteral("Export/Format")).toString(), QStringLiteral("iaga2002"));
}

// An IAGA-2002 file, whatever its name, plots its four elements on the first
// charts captioned by their letters; the other charts are hidden; 99999.00 is a gap.
TEST_F(MainFormTest, AnIaga2002FileShowsItsOwnChannelsNamesAndUnits) {
    const QString file = startDir_.filePath(QStringLiteral("station.txt"));
    test::writeFile(file,
                    " Format                 IAGA-2002                                    |\r\n"
                    " IAGA CODE              ABC                                          |\r\n"
                    "DATE       TIME         DOY     ABCH      ABCD      ABCZ      ABCF   |\r\n"
                    "2007-05-15 00:00:00.000 135     20000.00    120.50  44000.00  48400.00\r\n"
                    "2007-05-15 00:01:00.000 135     20001.00    120.75  99999.00  48401.00\r\n");
    TMainForm& f = start();
    ASSERT_TRUE(f.LoadDataFile(file));
    test::drainEvents();
    struct Row {
        const char* box;
        const char* caption;
    };
    const Row rows[] = {{"H", "H, nT"}, {"D", "D, arcmin"}, {"Z", "Z, nT"}, {"F", "F, nT"}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(f.charts().Chart[k]->yAxis->label(), QString::fromUtf8(rows[k].caption)) << k;
        EXPECT_EQ(f.charts().CheckBox[k]->text(), QString::fromLatin1(rows[k].box)) << k;
        EXPECT_TRUE(f.charts().CheckBox[k]->isChecked()) << k;
    }
    for (int k : {4, 5}) {  // no Te, no computed F: absent, not 0
        EXPECT_FALSE(f.charts().CheckBox[k]->isChecked()) << k;
        EXPECT_FALSE(f.charts().CheckBox[k]->isVisible()) << k;
    }
    ASSERT_NE(f.charts().Chart[3]->record(), nullptr);
    EXPECT_DOUBLE_EQ(f.charts().Chart[3]->maxY(), 48401.00);  // the file's own F
    EXPECT_DOUBLE_EQ(f.charts().Chart[1]->maxY(), 120.75);
    EXPECT_TRUE(std::isnan(f.charts().Chart[2]->record()->value(2, 1)));
    // The read-out names the file's elements with their units; a missing value is "-".
    f.charts().CrossMouseCB->setChecked(true);
    const QRect plot = f.charts().Chart[0]->plotRect();
    const struct {
        int x;
        const char* values;
    } readouts[] = {
        {plot.left() + 1, "      H: 20000.00 nT    D: 120.50 arcmin  Z: 44000.00 nT    F: 48400.00 nT"},
        {plot.right() - 1, "      H: 20001.00 nT    D: 120.75 arcmin  Z: -              F: 48401.00 nT"},
    };
    for (const auto& r : readouts) {
        f.charts().Chart0MouseMove(0, r.x, plot.center().y());
        const QString text = f.StatusPanel[2]->text();
        EXPECT_TRUE(text.startsWith(QStringLiteral("Time: 2007-05-15 00:0"))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QString::fromLatin1(r.values))) << text.toStdString();
    }
    EXPECT_TRUE(dialogs_.errors.isEmpty());
}

TEST_F(MainFormTest, EachKindOfFileKeepsItsOwnShownChannels) {
    const QString iaga = startDir_.filePath(QStringLiteral("station.txt"));
    test::writeFile(iaga,
                    " Format                 IAGA-2002                                    |\r\n"
                    " IAGA CODE              ABC                                          |\r\n"
                    "DATE       TIME         DOY     ABCH      ABCD      ABCZ      ABCF   |\r\n"
                    "2007-05-15 00:00:00.000 135     20000.00    120.50  44000.00  48400.00\r\n"
                    "2007-05-15 00:01:00.000 135     20001.00    120.75  44001.00  48401.00\r\n");
    const QString daily = startDir_.filePath(QStringLiteral("20070522102030.pc"));
    test::writeFile(daily, "Kordel-K5\r\nheader 2\r\nheader 3\r\n"
                           "2007 05 22 10 20 30.00 20000.00  1500.25 44000.50  25.3  30.1\r\n"
                           "2007 05 22 10 20 31.00 20000.10  1500.25 44000.50  25.3  30.1\r\n");
    const auto checked = [](TMainForm& f) {
        std::string boxes;
        for (int k = 0; k < ChartView::kChannels; ++k) boxes += f.charts().CheckBox[k]->isChecked() ? '1' : '0';
        return boxes;
    };
    TMainForm& f = start();
    ASSERT_TRUE(f.LoadDataFile(iaga));
    f.charts().CheckBox[2]->setChecked(false);  // Z off for the observatory's file
    ASSERT_TRUE(f.LoadDataFile(daily));
    EXPECT_EQ(checked(f), "111110");
    EXPECT_EQ(f.charts().CheckBox[0]->text(), QStringLiteral("B&x"));
    EXPECT_TRUE(f.charts().CheckBox[5]->isVisibleTo(&f));
    EXPECT_EQ(f.charts().Chart[0]->yAxis->label(), QStringLiteral("Bx, nT"));
    f.charts().CheckBox[3]->setChecked(false);  // Ts off for our files
    ASSERT_TRUE(f.LoadDataFile(iaga));
    EXPECT_EQ(checked(f), "110100");
    stop();
    // Both choices outlive the program; our own files keep their keys.
    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("TMainForm/CheckBox3_Checked")).toString(), QStringLiteral("False"));
    EXPECT_EQ(ini.value(QStringLiteral("TMainForm/CheckBox2_Checked")).toString(), QStringLiteral("True"));
    TMainForm& again = start();
    EXPECT_EQ(checked(again), "111010");
    ASSERT_TRUE(again.LoadDataFile(iaga));
    EXPECT_EQ(checked(again), "110100");
}

TEST_F(MainFormTest, ACommandLineFileBecomesTheCurrentDataFile) {
    const QString file = startDir_.filePath(QStringLiteral("20070522102030.pc"));
    test::writeFile(file, "header\r\n");
    TMainForm& f = start(file);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Kordel File viewer: ") + file);
    EXPECT_EQ(f.currentDataFileName(), file);
    EXPECT_FALSE(f.Recentdata1->isEnabled());  // the stored list replaced it
    EXPECT_TRUE(dialogs_.errors.isEmpty());
}

TEST_F(MainFormTest, ACommandLineFileThatDoesNotExistIsReported) {
    const QString file = startDir_.filePath(QStringLiteral("gone.pc"));
    TMainForm& f = start(file);
    EXPECT_EQ(dialogs_.errors, QStringList{QStringLiteral("File \r\n") + file + QStringLiteral("\r\n not found :-( !")});
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Kordel-K5 - Version 1.4 - 22.05.2007"));
    EXPECT_EQ(f.currentDataFileName(), QStringLiteral("!.pc"));
}

TEST_F(MainFormTest, CaptionsGainNothingFromTheApplication) {
    setUpApplication();
    // No display name of its own: the platform appends one set here to every caption.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("kordel"));
}

TEST_F(MainFormTest, AnExitEntryThatCannotBeWrittenIsReportedAtOnce) {
    TMainForm& f = start();
    ASSERT_TRUE(QFile::remove(logPath()));
    ASSERT_TRUE(QDir(startDir_.path()).mkdir(QStringLiteral("kordel.log")));  // a folder in the way
    f.Exit1->trigger();
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_TRUE(dialogs_.errors[0].startsWith(logPath() + QStringLiteral(" is not a regular file")));
}

TEST_F(MainFormTest, AboutShowsTheReleaseVersion) {
    TMainForm& f = start();
    EXPECT_EQ(f.AboutBox->Version->text(), QStringLiteral("Version 1.0 - 08.05.2007"));
    f.N2->trigger();
    EXPECT_TRUE(f.AboutBox->isVisible());
    EXPECT_EQ(f.AboutBox->Version->text(), QStringLiteral("Version 1.4 - 22.05.2007"));
    EXPECT_FALSE(f.AboutBox->isModal());
    // Centred on the screen, wherever the main window is.
    const QPoint centre = f.screen()->availableGeometry().center();
    ASSERT_GT((f.geometry().center() - centre).manhattanLength(), 100);
    EXPECT_LE((f.AboutBox->geometry().center() - centre).manhattanLength(), 8);
}

TEST_F(MainFormTest, AStartUpLogLineThatCannotBeWrittenIsReportedAndStartUpGoesOn) {
    ASSERT_TRUE(QDir(startDir_.path()).mkdir(QStringLiteral("kordel.log")));  // a folder in the way
    TMainForm& f = start();
    EXPECT_EQ(f.currentDataFileName(), QStringLiteral("!.pc"));
    EXPECT_EQ(f.blockPosition(), 1);
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_TRUE(dialogs_.errors[0].startsWith(logPath() + QStringLiteral(" is not a regular file")));
}

namespace {
// Counts the key presses that reach a control.
struct KeyCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) ++presses;
        return false;
    }
};
}  // namespace

TEST_F(MainFormTest, PageDownMovesTheTimeWindowAndStillReachesTheFocusedControl) {
    TMainForm& f = start();
    TZoomler* x = f.charts().XZoomlerBar();
    x->SetRange(0, 90, 0, 9);
    KeyCounter counter;
    f.charts().CheckBox[1]->installEventFilter(&counter);
    f.charts().CheckBox[1]->setFocus();
    QTest::keyClick(f.charts().CheckBox[1], Qt::Key_PageDown);
    EXPECT_EQ(x->Start(), 9.0);
    EXPECT_EQ(x->Finish(), 18.0);
    EXPECT_EQ(counter.presses, 1);  // not consumed
    QTest::keyClick(f.charts().CheckBox[1], Qt::Key_Space);  // other keys are the control's alone
    EXPECT_EQ(x->Start(), 9.0);
    EXPECT_FALSE(f.charts().CheckBox[1]->isChecked());
}

TEST_F(MainFormTest, TheFlashButtonConvertsTheChosenDumpBesideIt) {
    TMainForm& f = start();
    FlashDumpOptions o;
    o.start = {2007, 5, 15, 12, 30, 0, 0};
    const QString dump = startDir_.filePath(QStringLiteral("a.b01"));
    ASSERT_TRUE(FlashDumpWriter(o).writeTo(dump.toStdString()).ok());
    dialogs_.openAnswers = {dump};
    QTest::mouseClick(f.SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(dialogs_.openFilters, QStringList{QStringLiteral("Kordel bin-file(*.b*)|*.b*")});
    EXPECT_TRUE(f.inf->isVisible());
    EXPECT_EQ(f.inf->windowTitle(), QStringLiteral("2007051512.INF"));
    EXPECT_TRUE(QFileInfo::exists(startDir_.filePath(QStringLiteral("2007051512.INF"))));
    EXPECT_TRUE(logLines().last().endsWith(QStringLiteral("Bin To Text: ") + dump)) << logLines().last().toStdString();
}
