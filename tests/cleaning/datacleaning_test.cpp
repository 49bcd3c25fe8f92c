// The Data menu in the window: the shown record at the level chosen from the
// folder's flags, the flags marked on the charts of their channels, a range
// flagged with Shift and a drag, flags removed from the Flags window, and the
// level said in an exported file.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <cmath>

#include "app/fixedformats.h"
#include "app/mainform.h"
#include "charts/channelchart.h"
#include "charts/chartview.h"
#include "charts/flagbands.h"
#include "charts/statisticswindow.h"
#include "cleaning/datacleaning.h"
#include "cleaning/flagdialog.h"
#include "cleaning/flagswindow.h"
#include "exchange/exportcleaning.h"
#include "exchange/recordexport.h"
#include "processing/flags.h"
#include "record/record.h"
#include "testsupport.h"
#include "widgets/zoomler.h"
#include "windowtest.h"

using namespace kordel;

namespace {

// One line every ten seconds from 2007-05-22 10:00:00, Bx telling the lines apart.
QByteArray tenSecondFile(int count) {
    QByteArray text = "Kordel-K5\r\nheader 2\r\nheader 3\r\n";
    for (int i = 0; i < count; ++i) {
        char buf[120];
        std::snprintf(buf, sizeof buf, "2007 05 22 10 %02d %02d.00 %.2f -1500.50 44000.00 25.3 30.1\r\n", i * 10 / 60,
                      i * 10 % 60, 20000.25 + i);
        text += buf;
    }
    return text;
}

std::int64_t ms(int hour, int minute, int second) {
    return static_cast<std::int64_t>(std::llround(toDateTimeNumber({2007, 5, 22, hour, minute, second, 0}) * 86'400'000));
}

constexpr std::int64_t kNow = 3'000'000'000'000;  // a fixed "now" for the flags' set times

class DataCleaningTest : public test::WindowTest {
protected:
    void SetUp() override {
        startForm();
        cleaning().setContext([this] { return CleaningContext{userDir_.path().toStdString(), "tester", kNow}; });
        test::drainEvents();
    }
    void TearDown() override { stopForm(); }

    DataCleaning& cleaning() { return *form_->findChild<DataCleaning*>(); }
    ChartView& charts() { return form_->charts(); }
    QString flagFile() const { return startDir_.filePath(QStringLiteral("kordel-flags.txt")); }

    void open(const QByteArray& flags = {}) {
        test::writeFile(startDir_.filePath(QStringLiteral("day.pc")), tenSecondFile(61));
        if (!flags.isEmpty()) test::writeFile(flagFile(), flags);
        ASSERT_TRUE(form_->LoadDataFile(startDir_.filePath(QStringLiteral("day.pc"))));
        test::drainEvents();
    }
    // The shown record's values of `channel` that are missing.
    std::vector<std::int64_t> missing(const char* channel) {
        const auto r = charts().shownRecord();
        std::vector<std::int64_t> out;
        const std::size_t c = *r->findChannel(channel);
        for (std::size_t i = 0; i < r->size(); ++i) {
            if (r->isMissing(c, i)) out.push_back(r->times()[i]);
        }
        return out;
    }
    std::size_t bands(int chart) { return charts().Chart[chart]->bandLayer().bands().size(); }
    FlagSet fileFlags() {
        FlagParseResult read;
        EXPECT_TRUE(readFlagFile(flagFile().toStdString(), read));
        EXPECT_TRUE(read.problems.empty());
        return read.set;
    }

    QTemporaryDir userDir_;
    test::FakeDialogs dialogs_;
};

const QByteArray kFlags = "# flags\n"
                          "2007-05-22T10:01:00.000 2007-05-22T10:02:00.000 Bx remove alice 2026-12-01T00:00:00.000Z car\n"
                          "2007-05-22T10:05:00.000 2007-05-22T10:05:00.000 Bz step auto 2026-12-01T00:00:00.000Z\n";

TEST_F(DataCleaningTest, TheFolderFlagsLeaveSamplesOutOfTheCleanedLevelAndAreMarked) {
    open(kFlags);
    EXPECT_EQ(cleaning().level(), DataLevel::Cleaned);
    const std::vector<std::int64_t> removed{ms(10, 1, 0),  ms(10, 1, 10), ms(10, 1, 20), ms(10, 1, 30),
                                            ms(10, 1, 40), ms(10, 1, 50), ms(10, 2, 0)};
    EXPECT_EQ(missing("Bx"), removed);
    EXPECT_EQ(missing("F"), removed);  // F is made of Bx
    EXPECT_TRUE(missing("By").empty());
    EXPECT_TRUE(missing("Bz").empty());  // a step only marks
    // Bands on Bx's, Bz's and F's charts only.
    const std::vector<std::size_t> expected{1, 0, 1, 0, 0, 2};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(bands(k), expected[k]) << k;
    EXPECT_EQ(cleaning().statusText(), QStringLiteral("Level: cleaned, 7 values left out"));
    EXPECT_EQ(cleaning().levelText(), "Data level cleaned: samples under spike or remove flags left out, written as "
                                      "99999.00 (7 in the inputs).");

    // Raw again, and back: the time window stays as the user left it.
    charts().showTimeWindow(toDateTimeNumber({2007, 5, 22, 10, 0, 30, 0}), toDateTimeNumber({2007, 5, 22, 10, 4, 0, 0}));
    const AxisRange window = charts().Chart[0]->timeAxis();
    cleaning().setLevel(DataLevel::Raw);
    EXPECT_TRUE(missing("Bx").empty());
    EXPECT_EQ(charts().Chart[0]->timeAxis().min, window.min);
    EXPECT_EQ(charts().Chart[0]->timeAxis().max, window.max);
    EXPECT_EQ(bands(0), 1u);  // still marked
    EXPECT_EQ(cleaning().levelText(), "Data level raw: as recorded, flags not applied.");
    charts().Statistics1Click();  // the Statistics window names the level
    EXPECT_TRUE(charts().Statistics->range().endsWith(QStringLiteral("instrument clock, raw level")))
        << charts().Statistics->range().toStdString();
    cleaning().setLevel(DataLevel::Corrected);  // no correction stored: cleaned, and said so
    EXPECT_EQ(missing("Bx"), removed);
    EXPECT_TRUE(charts().Statistics->range().endsWith(QStringLiteral(", cleaned level")));
    // Bx's count in the window (10:00:30 to 10:04:00, 22 samples) without the 7 left out.
    EXPECT_EQ(charts().Statistics->cell(0, 0), QStringLiteral("15"));
    EXPECT_EQ(cleaning().statusText(),
              QStringLiteral("Level: corrected (no temperature correction: cleaned), 7 values left out"));
}

TEST_F(DataCleaningTest, AnExportedFileSaysItsLevelAndWritesLeftOutValuesAsMissing) {
    open(kFlags);
    auto* exporter = form_->findChild<RecordExport*>();
    ASSERT_NE(exporter, nullptr);
    ExportChoice choice = exporter->choice();
    choice.format = ExportChoice::Format::Iaga2002;
    choice.interval = ExportInterval::Native;
    choice.visibleOnly = false;
    choice.station.code = "KDL";
    const QString out = startDir_.filePath(QStringLiteral("out.txt"));
    ASSERT_EQ(exporter->exportTo(choice, out), QString());
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral(" # Data level cleaned: samples under spike or remove flags left      |\r\n"
                                             " # out, written as 99999.00 (7 in the inputs).                       |\r\n")))
        << text.left(2000).toStdString();
    // Bx left out, and F with it; the other components as recorded.
    EXPECT_TRUE(text.contains(QStringLiteral("2007-05-22 10:01:30.000 142     99999.00  -1500.50  44000.00  99999.00\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("2007-05-22 10:02:10.000 142     20013.25  -1500.50  44000.00  48360.95\r\n")));
}

TEST_F(DataCleaningTest, ARangeDraggedWithShiftIsFlaggedAndTheFlagsWindowRemovesIt) {
    EXPECT_EQ(dialogs_.messages.size(), 0);
    cleaning().flagRange(1, 2, 0);  // nothing opened: nowhere to keep a flag
    EXPECT_EQ(dialogs_.messages, QStringList{QStringLiteral("Flags are kept beside the data files: open files or record first.")});

    open();
    ChannelChart* c = charts().Chart[1];
    const QRect r = c->plotRect();
    const int a = r.left() + 200, b = r.left() + 320;
    const std::int64_t from = std::llround(c->timeAtPixel(a) * 86'400'000), to = std::llround(c->timeAtPixel(b) * 86'400'000);
    const AxisRange before = charts().Chart[1]->timeAxis();
    QStringList offered;
    cleaning().answerFlagDialog = [&offered](FlagDialog& dialog) {
        for (const QCheckBox* box : dialog.findChildren<QCheckBox*>()) offered << box->text() + (box->isChecked() ? "*" : "");
        return true;
    };
    for (const auto& [type, at, buttons] : {std::tuple{QEvent::MouseButtonPress, a, Qt::LeftButton},
                                            std::tuple{QEvent::MouseMove, b, Qt::LeftButton},
                                            std::tuple{QEvent::MouseButtonRelease, b, Qt::NoButton}}) {
        const QPoint p(at, r.center().y());
        QMouseEvent ev(type, QPointF(p), QPointF(c->mapToGlobal(p)), Qt::LeftButton, buttons, Qt::ShiftModifier);
        QCoreApplication::sendEvent(c, &ev);
    }
    EXPECT_EQ(charts().Chart[1]->timeAxis().min, before.min);  // no zoom
    // The dragged chart's component ticked; F, made of the others, not offered.
    EXPECT_EQ(offered, (QStringList{"Bx", "By*", "Bz", "Ts", "Te"}));
    FlagSet set = fileFlags();
    ASSERT_EQ(set.flags.size(), 1u);
    EXPECT_EQ(set.flags[0], (Flag{from, to, {"By"}, FlagKind::Remove, "tester", kNow, ""}));
    ASSERT_EQ(set.log.size(), 1u);
    EXPECT_EQ(set.log[0].who, "tester");
    EXPECT_EQ(set.log[0].atMs, kNow);
    EXPECT_EQ(bands(1), 1u);
    EXPECT_FALSE(missing("By").empty());

    cleaning().showFlags();
    ASSERT_NE(cleaning().flagsWindow(), nullptr);
    emit cleaning().flagsWindow()->removeRequested(set.flags);
    set = fileFlags();
    EXPECT_TRUE(set.flags.empty());
    EXPECT_EQ(set.log.size(), 2u);
    EXPECT_EQ(bands(1), 0u);
    EXPECT_TRUE(missing("By").empty());
}

TEST_F(DataCleaningTest, FindSpikesFlagsASpikeOfTheOpenedFilesAndLeavesItOut) {
    // Twenty minutes at 1 Hz of a slow wave with a little noise, and one 380 nT spike.
    QByteArray text = "Kordel-K5\r\nheader 2\r\nheader 3\r\n";
    for (int i = 0; i < 1200; ++i) {
        const double bx = 20000 + 0.5 * std::sin(i / 7.0) + (i * 37 % 11) * 0.03 + (i == 600 ? 380 : 0);
        char buf[120];
        std::snprintf(buf, sizeof buf, "2007 05 22 10 %02d %02d.00 %.2f -1500.50 44000.00 25.3 30.1\r\n", i / 60, i % 60, bx);
        text += buf;
    }
    test::writeFile(startDir_.filePath(QStringLiteral("day.pc")), text);
    ASSERT_TRUE(form_->LoadDataFile(startDir_.filePath(QStringLiteral("day.pc"))));
    EXPECT_TRUE(missing("Bx").empty());
    EXPECT_GT(charts().ZoomlerBar(0)->Max(), 20370);  // the spike sets Bx's range
    cleaning().findSpikes();
    const FlagSet set = fileFlags();
    ASSERT_EQ(set.flags.size(), 1u);
    EXPECT_EQ(set.flags[0].startMs, ms(10, 10, 0));
    EXPECT_EQ(set.flags[0].endMs, ms(10, 10, 0));
    EXPECT_EQ(set.flags[0].components, std::vector<std::string>{"Bx"});
    EXPECT_EQ(set.flags[0].kind, FlagKind::Spike);
    EXPECT_EQ(set.flags[0].source, "auto");
    EXPECT_EQ(dialogs_.messages,
              QStringList{flagFile() + QStringLiteral(": 1 spike and 0 step flags (0 earlier automatic flags replaced)")});
    // Shown at once: left out of the cleaned level, marked on Bx's chart.
    EXPECT_EQ(missing("Bx"), std::vector<std::int64_t>{ms(10, 10, 0)});
    EXPECT_EQ(bands(0), 1u);
    EXPECT_LT(charts().ZoomlerBar(0)->Max(), 20010);  // and no longer sets Bx's range
}

TEST_F(DataCleaningTest, WhileRecordingTheRecordingFoldersFlagsAreMarkedAndTheLevelWaits) {
    test::writeFile(flagFile(), kFlags);
    cleaning().setRecording(true);  // as the window does at Record; the daily files go to the start folder
    EXPECT_EQ(cleaning().folders(), std::vector<std::string>{QDir::currentPath().toStdString()});
    EXPECT_EQ(charts().flags().size(), 2u);
    const QList<QAction*> levels = form_->findChild<QMenu*>(QStringLiteral("Level1"))->actions();
    ASSERT_EQ(levels.size(), 3);
    for (const QAction* a : levels) EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(form_->findChild<QAction*>(QStringLiteral("FindSpikes1"))->isEnabled());
    cleaning().setRecording(false);
    for (const QAction* a : levels) EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

}  // namespace
