// Whole runs through a real pseudo-terminal: the simulated instrument on one
// side, the real QSerialPort of the program or of kordel-record on the other.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <csignal>

#include "app/mainform.h"
#include "charts/chartview.h"
#include "charts/channelchart.h"
#include "link/deviceline.h"
#include "testsupport.h"

using namespace kordel;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every complete 63-byte piece of a recorded file is a valid device line; a
// shorter tail is the piece in hand when recording stopped.
int validLines(const QByteArray& bytes) {
    int lines = 0;
    for (qsizetype i = 0; i + 63 <= bytes.size(); i += 63) {
        const std::string_view piece(bytes.constData() + i, 63);
        DecodedSample s;
        if (!isDeviceLine(piece) || !DecodeDeviceLine(piece, s)) {
            return -1;
        }
        ++lines;
    }
    return lines;
}

class Simulator {
public:
    explicit Simulator(const QString& link, const QStringList& extra = {}) : link_(link) {
        process_.setProgram(QStringLiteral(KORDEL_SIM_PATH));
        process_.setArguments(QStringList{QStringLiteral("--link"), link, QStringLiteral("--rate"),
                                          QStringLiteral("20")} + extra);
        process_.start();
        started_ = process_.waitForStarted(10000) &&
                   test::waitUntil([&] { return QFileInfo::exists(link_); });
    }
    ~Simulator() { stop(); }
    bool started() const { return started_; }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(10000);
        }
    }

private:
    QString link_;
    QProcess process_;
    bool started_ = false;
};

QString findDailyFile(const QString& dir, const QStringList& except = {}) {
    for (const QString& name : QDir(dir).entryList({QStringLiteral("*.pc")}, QDir::Files, QDir::Name)) {
        if (!except.contains(name)) return name;
    }
    return {};
}

}  // namespace

TEST(RecordingEndToEnd, TheWindowRecordsWhatTheInstrumentStreams) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    test::FakeDialogs dialogs;
    const QString link = dir.filePath(QStringLiteral("link"));
    Simulator sim(link);
    ASSERT_TRUE(sim.started());
    {
        MainFormOptions options;
        options.exeDir = dir.path();
        options.portName = link;
        TMainForm form(options);
        form.createSecondaryWindows();
        form.show();
        form.SpeedButton8Click();
        ASSERT_TRUE(test::waitUntil([&] { return form.lineCount() >= 5; }));
        form.SpeedButton7Click();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Kordel-K5 - ") + form.currentDataFileName());
        const QByteArray bytes = readAll(dir.filePath(form.currentDataFileName()));
        EXPECT_EQ(validLines(bytes), form.lineCount());
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    QDir::setCurrent(previous);
}

TEST(RecordingEndToEnd, PausedTheChartsHoldTheirWindowWhileTheFileGrows) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    test::FakeDialogs dialogs;
    const QString link = dir.filePath(QStringLiteral("link"));
    Simulator sim(link);
    ASSERT_TRUE(sim.started());
    {
        MainFormOptions options;
        options.exeDir = dir.path();
        options.portName = link;
        TMainForm form(options);
        form.createSecondaryWindows();
        form.show();
        form.SpeedButton8Click();
        ASSERT_TRUE(test::waitUntil([&] { return form.lineCount() >= 3; }));
        form.charts().PauseButton->click();
        const AxisRange held = form.charts().Chart[0]->timeAxis();
        const std::int32_t linesAtPause = form.lineCount();
        // Newer points than the held window's arrive; the window stays.
        ASSERT_TRUE(test::waitUntil(
            [&] { return form.lineCount() >= linesAtPause + 3 && form.charts().Chart[0]->maxX() > held.max; }));
        EXPECT_EQ(form.charts().Chart[0]->timeAxis(), held);
        form.charts().PauseButton->click();
        EXPECT_DOUBLE_EQ(form.charts().Chart[0]->timeAxis().max, form.charts().Chart[0]->maxX());
        form.SpeedButton7Click();
        EXPECT_EQ(validLines(readAll(dir.filePath(form.currentDataFileName()))), form.lineCount());
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    QDir::setCurrent(previous);
}

TEST(RecordingEndToEnd, KordelRecordSurvivesAnUnplugAndEndsCleanly) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("link"));
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    auto sim = std::make_unique<Simulator>(link);
    ASSERT_TRUE(sim->started());

    QProcess recorder;
    recorder.setWorkingDirectory(dir.path());
    recorder.setProgram(QStringLiteral(KORDEL_RECORD_PATH));
    recorder.setArguments({QStringLiteral("--port"), link, QStringLiteral("--output-dir"), out});
    recorder.start();
    ASSERT_TRUE(recorder.waitForStarted(10000));
    const QString logPath = dir.filePath(QStringLiteral("kordel.log"));
    QString first;
    ASSERT_TRUE(test::waitUntil([&] {
        first = findDailyFile(out);
        return !first.isEmpty() && readAll(out + QLatin1Char('/') + first).size() >= 3 * 63;
    }));

    sim.reset();  // the adapter pulled out
    ASSERT_TRUE(test::waitUntil([&] { return readAll(logPath).contains("Error: The port "); }));
    sim = std::make_unique<Simulator>(link);  // and plugged in again
    ASSERT_TRUE(sim->started());
    ASSERT_TRUE(test::waitUntil([&] { return readAll(logPath).contains("Port open again: "); }));
    ASSERT_TRUE(test::waitUntil([&] {
        const QByteArray log = readAll(logPath);
        return log.count("Start Record: ") >= 2;
    }));

    ::kill(static_cast<pid_t>(recorder.processId()), SIGTERM);
    ASSERT_TRUE(recorder.waitForFinished(10000));
    EXPECT_EQ(recorder.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(recorder.exitCode(), 0);

    const QList<QByteArray> log = readAll(logPath).split('\n');
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log.front().endsWith("Start kordel-record on " + link.toUtf8() + "\r"));
    EXPECT_TRUE(log[log.size() - 2].endsWith("Exit kordel-record\r"));
    // Every complete line of the first run's file is a valid device line.
    EXPECT_GE(validLines(readAll(out + QLatin1Char('/') + first)), 3);
    EXPECT_FALSE(QFile::exists(dir.filePath(first)));  // files go to the output folder only
}

TEST(RecordingEndToEnd, KordelRecordReportsAPortThatWillNotOpen) {
    QTemporaryDir dir;
    QProcess recorder;
    recorder.setWorkingDirectory(dir.path());
    recorder.start(QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--port"), dir.filePath(QStringLiteral("nothing"))});
    ASSERT_TRUE(recorder.waitForFinished(10000));
    EXPECT_EQ(recorder.exitCode(), 1);
    EXPECT_TRUE(recorder.readAllStandardError().startsWith("kordel-record: Cannot open the port "));
}
