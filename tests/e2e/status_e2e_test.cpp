// The Status window and Record/Stop against the simulated instrument, through
// a real pseudo-terminal and the program's real serial port.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/prctl.h>

#include "app/mainform.h"
#include "link/deviceline.h"
#include "link/statuswindow.h"
#include "testsupport.h"

using namespace kordel;

namespace {

constexpr int kWaitMs = 30000;

// Runs the event loop until `done` holds; false when the generous limit passed.
bool eventually(const std::function<bool()>& done) {
    QDeadlineTimer deadline(kWaitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

// kordel-sim for one test, on a link in the test's folder; ended when the test ends.
class Simulator {
public:
    Simulator(const QString& link, const QStringList& options) {
        process_.setProgram(QStringLiteral(KORDEL_SIM_PROGRAM));
        process_.setArguments(QStringList{QStringLiteral("--link"), link} + options);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test killed on its time limit takes its simulator with it.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start();
        // The device's path is its first line, written once the link is in place.
        QDeadlineTimer deadline(kWaitMs);
        while (!process_.canReadLine() && !deadline.hasExpired() && process_.waitForReadyRead(1000)) {
        }
        ready_ = process_.canReadLine() && QFileInfo(link).isSymLink();
    }
    ~Simulator() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(kWaitMs)) {
                process_.kill();
                process_.waitForFinished(kWaitMs);
            }
        }
    }
    bool ready() const { return ready_; }

private:
    QProcess process_;
    bool ready_ = false;
};

void choose(QRadioButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(7, b->height() / 2)); }

class StatusEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override {
        form_.reset();  // the port closed before the instrument goes
        sim_.reset();
        test::drainEvents();
        EXPECT_TRUE(dialogs_.errors.isEmpty()) << dialogs_.errors.join(QLatin1Char('\n')).toStdString();
        QDir::setCurrent(previousDir_);
    }

    TMainForm& start(const QStringList& simOptions) {
        const QString link = dir_.filePath(QStringLiteral("k5"));
        sim_ = std::make_unique<Simulator>(link, simOptions);
        EXPECT_TRUE(sim_->ready());
        MainFormOptions options;
        options.exeDir = dir_.path();
        options.portName = link;
        form_ = std::make_unique<TMainForm>(options);
        form_->createSecondaryWindows();
        form_->show();
        test::drainEvents();
        return *form_;
    }

    QStringList log() const {
        QStringList lines =
            QString::fromUtf8(test::readFile(dir_.filePath(QStringLiteral("kordel.log")))).split(QStringLiteral("\r\n"));
        lines.removeLast();
        for (QString& l : lines) l = l.mid(21);  // without the time stamp
        return lines;
    }
    bool logged(const QString& text) const { return log().contains(text); }
    bool loggedStartingWith(const QString& text) const {
        const QStringList lines = log();
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(text); });
    }

    // Status, then the reply applied and, in mode OFF, the clock read.
    bool statusApplied() {
        TMainForm& f = *form_;
        EXPECT_TRUE(f.SpeedButton5->isEnabled());
        QTest::mouseClick(f.SpeedButton5, Qt::LeftButton);
        return eventually([&] { return f.instrumentSession().statusLoaded() && f.linkState() == Idle; });
    }

    QTemporaryDir dir_;
    QString previousDir_;
    test::FakeDialogs dialogs_;
    std::unique_ptr<Simulator> sim_;
    std::unique_ptr<TMainForm> form_;
};

const QStringList kQuietInstrument = {QStringLiteral("--mode"),  QStringLiteral("off"),
                                      QStringLiteral("--gps"),   QStringLiteral("on"),
                                      QStringLiteral("--average"), QStringLiteral("10"),
                                      QStringLiteral("--start"), QStringLiteral("2007-05-22 10:20:00")};

}  // namespace

TEST_F(StatusEndToEnd, StatusFillsTheWindowAndViewTimeShowsTheInstrumentsClock) {
    TMainForm& f = start(kQuietInstrument);
    TForm6& w = *f.Form6;
    ASSERT_TRUE(statusApplied());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Mode OFF"));
    EXPECT_TRUE(w.RadioButton7->isChecked());
    EXPECT_FALSE(w.RadioButton8->isChecked());
    // Mode OFF: the clock was read at once. The seconds run on meanwhile.
    EXPECT_TRUE(w.Edit2->text().startsWith(QStringLiteral("2007-05-22  10:2"))) << w.Edit2->text().toStdString();
    for (const char* text : {"Button: Status", "GPS is on.", "Average =10", "Mode OFF", "Save data: PC"}) {
        EXPECT_TRUE(logged(QString::fromLatin1(text))) << text;
    }
    EXPECT_TRUE(loggedStartingWith(QStringLiteral("From Kordel: 53 ")));
    EXPECT_TRUE(logged(w.Edit2->text()));

    w.Edit2->clear();
    QTest::mouseClick(w.SpeedButton3, Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return f.linkState() == Idle; }));
    EXPECT_TRUE(w.Edit2->text().startsWith(QStringLiteral("2007-05-22  10:2"))) << w.Edit2->text().toStdString();
    EXPECT_TRUE(loggedStartingWith(QStringLiteral("From Kordel: Datetime= ")));
}

TEST_F(StatusEndToEnd, SetTimeChangesTheInstrumentsClock) {
    TMainForm& f = start(kQuietInstrument);
    TForm6& w = *f.Form6;
    test::FixedClock clock({2031, 3, 4, 5, 6, 7, 0});
    // The line stays quiet for a while first: that time belongs to the old
    // setting of the clock, not to the new one.
    QTest::qWait(2500);
    dialogs_.yesNoAnswers = {true};
    QTest::mouseClick(w.SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(f.linkState(), TimeSet);
    EXPECT_TRUE(logged(QStringLiteral("Set time mode")));

    QTest::mouseClick(w.SpeedButton3, Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return f.linkState() == Idle; }));
    // The clock ran on only for the pause between the two frames and the reply.
    const QString shown = w.Edit2->text();
    EXPECT_TRUE(shown == QStringLiteral("2031-03-04  05:06:07") || shown == QStringLiteral("2031-03-04  05:06:08"))
        << shown.toStdString();
}

TEST_F(StatusEndToEnd, PcFlashChangesTheInstrumentsSaveTarget) {
    TMainForm& f = start(kQuietInstrument);
    TForm6& w = *f.Form6;
    ASSERT_TRUE(statusApplied());
    ASSERT_TRUE(w.RadioButton7->isChecked());

    choose(w.RadioButton8);
    EXPECT_TRUE(logged(QStringLiteral("Set: Save data: Flash")));
    ASSERT_TRUE(eventually([&] { return f.linkState() == Idle; }));
    EXPECT_TRUE(loggedStartingWith(QStringLiteral("From Kordel: 52 ")));
    EXPECT_TRUE(w.RadioButton8->isChecked());

    // The instrument reports the new target when asked again.
    ASSERT_TRUE(statusApplied());
    EXPECT_TRUE(w.RadioButton8->isChecked());
    EXPECT_EQ(log().filter(QStringLiteral("Save data: PC+Flash")).size(), 1);
}

TEST_F(StatusEndToEnd, RecordThenStopWritesADailyFileOfTheStreamedLines) {
    TMainForm& f = start({QStringLiteral("--mode"), QStringLiteral("total"), QStringLiteral("--rate"),
                          QStringLiteral("10"), QStringLiteral("--start"), QStringLiteral("2007-05-22 10:20:00")});
    QTest::mouseClick(f.SpeedButton8, Qt::LeftButton);
    EXPECT_EQ(f.linkState(), Recording);
    EXPECT_FALSE(f.SpeedButton5->isEnabled());
    EXPECT_FALSE(f.N24->isEnabled());
    EXPECT_TRUE(f.SpeedButton7->isEnabled());
    ASSERT_TRUE(eventually([&] { return f.lineCount() >= 5; }));
    QTest::mouseClick(f.SpeedButton7, Qt::LeftButton);
    EXPECT_EQ(f.linkState(), Idle);
    EXPECT_TRUE(f.SpeedButton8->isEnabled());
    EXPECT_TRUE(f.N24->isEnabled());

    const QString name = f.currentDataFileName();
    EXPECT_TRUE(name.startsWith(QStringLiteral("20070522102"))) << name.toStdString();
    EXPECT_TRUE(name.endsWith(QStringLiteral(".pc")));
    const QByteArray bytes = test::readFile(dir_.filePath(name));
    const int lines = static_cast<int>(bytes.size() / 63);
    // Every whole line that came while recording is in the file, in order; a
    // shorter tail is the line that was arriving when Stop was pressed.
    EXPECT_GE(lines, f.lineCount());
    EXPECT_LE(lines, f.lineCount() + 1);
    QString previous;
    for (int i = 0; i < lines; ++i) {
        const std::string_view line(bytes.constData() + i * 63, 63);
        DecodedSample s;
        ASSERT_TRUE(isDeviceLine(line) && DecodeDeviceLine(line, s)) << i;
        const QString stamp = QString::fromLatin1(line.data(), 19);
        EXPECT_TRUE(stamp.startsWith(QStringLiteral("2007"))) << stamp.toStdString();
        EXPECT_GE(stamp, previous) << i;
        previous = stamp;
    }
    const QStringList entries = log();
    const auto record = entries.indexOf(QStringLiteral("Button: Record"));
    const auto started = entries.indexOf(QStringLiteral("Start Record: ") + name);
    const auto stop = entries.indexOf(QStringLiteral("Button: Stop"));
    EXPECT_GE(record, 0);
    EXPECT_GT(started, record);
    EXPECT_GT(stop, started);
}
