// The summary window and the flash form's conversion, offscreen.

#include <QDir>
#include <QEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "expected.h"
#include "files/flashdumpwriter.h"
#include "files/flashform.h"
#include "files/summarywindow.h"
#include "testsupport.h"

namespace kordel {
namespace {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

// Runs conversions the way the Flash button does: in the dump's folder.
class FlashWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        oldCwd_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    }
    void TearDown() override { QDir::setCurrent(oldCwd_); }

    QString writeDump(const QString& name, const FlashDumpOptions& o) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(FlashDumpWriter(o).writeTo(path.toStdString()).ok());
        return path;
    }
    void convert(const QString& dump) {
        flash_.FileName = dump;
        flash_.Button5Click();
    }

    QTemporaryDir dir_;
    QString oldCwd_;
    test::FakeDialogs dialogs_;
    QStringList logs_;
    Tinf inf_;
    TFlash flash_{nullptr, &inf_, [this](const QString& t) { logs_ << t; }};
};

QString memoOf(const QByteArray& file) {
    QString s = QString::fromLatin1(file);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.chop(1);
    return s;
}

TEST_F(FlashWindows, TheSummaryWindowStartsEmptyWithItsControls) {
    EXPECT_EQ(inf_.windowTitle(), QStringLiteral("INF file"));
    EXPECT_FALSE(inf_.isModal());
    EXPECT_EQ(inf_.size(), QSize(401, 396));
    EXPECT_EQ(inf_.Memo1->size(), QSize(372, 308));
    EXPECT_TRUE(inf_.Memo1->isReadOnly());
    EXPECT_EQ(inf_.ProgressBar1->size(), QSize(372, 16));
    EXPECT_EQ(inf_.ProgressBar1->minimum(), 0);
    EXPECT_EQ(inf_.ProgressBar1->maximum(), 100);
    EXPECT_EQ(inf_.Button2->text(), QStringLiteral("&Close"));
    EXPECT_FALSE(flash_.isVisible());
}

TEST_F(FlashWindows, AConversionShowsTheSummaryAndLeavesTheWindowOpen) {
    FlashDumpOptions o;
    o.blocks = 2;
    o.start = {2007, 5, 15, 23, 59, 30, 0};
    o.erasedBlocks = 2;
    const QString dump = writeDump(QStringLiteral("may.b01"), o);
    convert(dump);

    EXPECT_TRUE(inf_.isVisible());
    EXPECT_EQ(inf_.windowTitle(), QStringLiteral("2007051523.INF"));
    const QByteArray inf = test::readFile(dir_.filePath(QStringLiteral("2007051523.INF")));
    const std::string expected =
        "Data from KORDEL-K5.\r\n\r\nInput file: " + dump.toStdString() +
        "\r\n\r\nDate: 15-05-2007\r\nTime: 23:59:30\r\nLatitude: 55451234N\r\nLongitude: 0371234567E\r\n"
        "Ts: 51.2\r\nTe: 20.4\r\nVIN: 12.0\r\nVBAT: 3700\r\n\r\nName files : \r\n20070515235930.fl\r\n"
        "20070516000000.fl\r\nError Block > 2007 05 16 00 00 00\r\n!buf512[0..5]= FF FF FF FF FF FF \r\n"
        "MaxErrorBlock = 2\r\n";
    EXPECT_EQ(inf.toStdString(), expected);
    EXPECT_EQ(inf_.Memo1->toPlainText(), memoOf(inf));
    EXPECT_EQ(inf_.ProgressBar1->value(), 100);
    EXPECT_EQ(logs_, (QStringList{QStringLiteral("Bin To Text: ") + dump,
                                  QStringLiteral("!Error Block > 2007 05 16 00 00 00"),
                                  QStringLiteral("!buf512[0..5]= FF FF FF FF FF FF "),
                                  QStringLiteral("MaxErrorBlock = 2")}));
    EXPECT_TRUE(dialogs_.messages.isEmpty());

    // The data files lie in the current directory, beside the dump.
    const QByteArray fl = test::readFile(dir_.filePath(QStringLiteral("20070516000000.fl")));
    const DumpSample v = FlashDumpWriter::defaultSample(30);
    const std::string line = test::dataLine({2007, 5, 16, 0, 0, 0, 0}, v.bx, v.by, v.bz, 768, 614);
    EXPECT_EQ(fl.left(static_cast<int>(line.size())).toStdString(), line);
    EXPECT_EQ(fl.count('\n'), 30);

    QTest::mouseClick(inf_.Button2, Qt::LeftButton);
    EXPECT_FALSE(inf_.isVisible());
}

TEST_F(FlashWindows, ASecondConversionReplacesCaptionTextAndProgress) {
    FlashDumpOptions a;
    a.start = {2007, 5, 15, 12, 30, 0, 0};
    a.blocks = 3;
    FlashDumpOptions b;
    b.start = {2008, 2, 29, 8, 0, 0, 0};
    b.tsRaw = 460;
    convert(writeDump(QStringLiteral("a.b01"), a));
    ASSERT_EQ(inf_.windowTitle(), QStringLiteral("2007051512.INF"));

    // The next conversion begins at 0; watch the bar on its way.
    std::vector<int> seen;
    QObject::connect(inf_.ProgressBar1, &QProgressBar::valueChanged, [&seen](int v) { seen.push_back(v); });
    convert(writeDump(QStringLiteral("b.b02"), b));
    EXPECT_EQ(seen, (std::vector<int>{0, 100}));
    EXPECT_EQ(inf_.windowTitle(), QStringLiteral("2008022908.INF"));
    const QByteArray inf = test::readFile(dir_.filePath(QStringLiteral("2008022908.INF")));
    EXPECT_EQ(inf_.Memo1->toPlainText(), memoOf(inf));
    EXPECT_TRUE(inf_.Memo1->toPlainText().contains(QStringLiteral("Ts: -10.4")));
    EXPECT_EQ(inf.count('\n'), 15);
}

TEST_F(FlashWindows, ExpectedFailuresGoToMessageBoxes) {
    const QString missing = dir_.filePath(QStringLiteral("none.b01"));
    convert(missing);
    const QString empty = dir_.filePath(QStringLiteral("empty.b01"));
    test::writeFile(empty, QByteArray());
    inf_.ProgressBar1->setValue(55);
    convert(empty);
    EXPECT_EQ(dialogs_.messages, (QStringList{QStringLiteral("File \r\n") + missing + QStringLiteral("\r\n not found!"),
                                              QStringLiteral("File \r\n") + empty + QStringLiteral("[0]<>$C0!")}));
    // Nothing shown, nothing written; the bar was set to 0 by the empty dump only.
    EXPECT_FALSE(inf_.isVisible());
    EXPECT_EQ(inf_.windowTitle(), QStringLiteral("INF file"));
    EXPECT_EQ(inf_.ProgressBar1->value(), 0);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("empty.b01")});
}

TEST_F(FlashWindows, TheWindowRepaintsOnlyWhenThePercentageChanges) {
    inf_.show();
    test::drainEvents();
    PaintCounter counter(&inf_);
    inf_.SetSummaryProgress(0);  // already 0
    EXPECT_EQ(counter.paints, 0);
    inf_.SetSummaryProgress(1);
    EXPECT_EQ(counter.paints, 1);
    inf_.SetSummaryProgress(1);
    inf_.SetSummaryProgress(1);
    EXPECT_EQ(counter.paints, 1);
    inf_.SetSummaryProgress(2);
    EXPECT_EQ(counter.paints, 2);
    EXPECT_EQ(inf_.ProgressBar1->value(), 2);
}

TEST_F(FlashWindows, ALargeDumpRepaintsAboutOncePerPercent) {
    FlashDumpOptions o;
    o.blocks = 2000;
    const QString dump = writeDump(QStringLiteral("big.b01"), o);
    inf_.show();
    test::drainEvents();
    PaintCounter counter(&inf_);
    convert(dump);
    // 2000 blocks, 101 percentages, and the memo's loads.
    EXPECT_LE(counter.paints, 110);
    EXPECT_GE(counter.paints, 100);
}

TEST_F(FlashWindows, ASummaryThatCannotBeWrittenGoesToTheErrorReport) {
    FlashDumpOptions o;
    const QString dump = writeDump(QStringLiteral("a.b01"), o);
    // A directory where the summary file should go.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("2007051512.INF")));
    convert(dump);
    test::drainEvents();
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_EQ(dialogs_.errors.front(), QStringLiteral("Cannot create 2007051512.INF: Is a directory"));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("20070515123000.fl"))));
}

}  // namespace
}  // namespace kordel
