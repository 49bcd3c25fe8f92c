// The command lines of all the programs as a user meets them: --help, --version
// and usage errors, with no display to open a window on; and kordel-record
// waiting for a port that appears after it started.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "testsupport.h"

namespace {

struct Program {
    QString name;
    QString path;
};

const Program kPrograms[] = {
    {QStringLiteral("kordel"), QStringLiteral(KORDEL_PATH)},
    {QStringLiteral("kordel-record"), QStringLiteral(KORDEL_RECORD_PATH)},
    {QStringLiteral("kordel-collect"), QStringLiteral(KORDEL_COLLECT_PATH)},
    {QStringLiteral("kordel-convert"), QStringLiteral(KORDEL_CONVERT_PATH)},
    {QStringLiteral("kordel-export"), QStringLiteral(KORDEL_EXPORT_PATH)},
    {QStringLiteral("kordel-activity"), QStringLiteral(KORDEL_ACTIVITY_PATH)},
    {QStringLiteral("kordel-sim"), QStringLiteral(KORDEL_SIM_PATH)},
};

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Without a display: a window program that made its window would fail here.
Outcome run(const QString& path, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(env);
    p.start(path, args);
    Outcome r;
    if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit) {
        r.status = p.exitCode();
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(CommandLines, HelpAndVersionEndWithStatus0AndAnUnknownOptionWith2WithoutADisplay) {
    for (const Program& p : kPrograms) {
        const Outcome version = run(p.path, {QStringLiteral("--version")});
        EXPECT_EQ(version.status, 0) << p.name.toStdString();
        EXPECT_EQ(version.out, (p.name + QStringLiteral(" " KORDEL_PROJECT_VERSION "\n")).toUtf8());
        EXPECT_EQ(version.err, QByteArray());

        const Outcome help = run(p.path, {QStringLiteral("--help")});
        EXPECT_EQ(help.status, 0) << p.name.toStdString();
        EXPECT_TRUE(help.out.startsWith(("Usage: " + p.name + " [options]").toUtf8())) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("\n  -h, --help "));
        EXPECT_TRUE(help.out.endsWith("  2  a usage error: an unknown option, a missing or bad value\n"))
            << help.out.toStdString();
        EXPECT_EQ(help.err, QByteArray());

        const Outcome unknown = run(p.path, {QStringLiteral("--no-such-option"), QStringLiteral("x")});
        EXPECT_EQ(unknown.status, 2) << p.name.toStdString();
        EXPECT_EQ(unknown.out, QByteArray());
        EXPECT_EQ(unknown.err, (p.name + ": unknown option '--no-such-option'; see " + p.name + " --help\n").toUtf8());
    }
}

TEST(CommandLines, ValuesTheParserLetsThroughAreCheckedToo) {
    struct Case {
        QString path;
        QStringList args;
        QByteArray err;
    };
    const Case cases[] = {
        {QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("/dev/ttyUSB0")},
         "kordel-record: unexpected argument /dev/ttyUSB0; see kordel-record --help\n"},
        {QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--port=")},
         "kordel-record: --port needs a port name; see kordel-record --help\n"},
        {QStringLiteral(KORDEL_COLLECT_PATH), {QStringLiteral("--mqtt"), QStringLiteral("mqtt://h"),
                                               QStringLiteral("--station"), QStringLiteral("A")},
         "kordel-collect: --output-dir is needed; see kordel-collect --help\n"},
        {QStringLiteral(KORDEL_COLLECT_PATH), {QStringLiteral("--mqtt=mqtt://h"), QStringLiteral("--station=A"),
                                               QStringLiteral("--output-dir=."), QStringLiteral("--history=-1")},
         "kordel-collect: --history wants hours from 0 to 8760; see kordel-collect --help\n"},
        {QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--alert-level"), QStringLiteral("yellow")},
         "kordel-record: --alert-level must be amber or red; see kordel-record --help\n"},
        {QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--alert-dead-minutes=0")},
         "kordel-record: --alert-dead-minutes needs whole minutes from 1 to 1440; see kordel-record --help\n"},
        {QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--alert-command"), QStringLiteral("no-such-notifier")},
         "kordel-record: --alert-command no-such-notifier is not a program on PATH; see kordel-record --help\n"},
        {QStringLiteral(KORDEL_SIM_PATH), {QStringLiteral("--rate"), QStringLiteral("fast")},
         "kordel-sim: --rate: \"fast\" is not a rate from 0.01 to 100 lines per second; see kordel-sim --help\n"},
        {QStringLiteral(KORDEL_SIM_PATH), {QStringLiteral("--blocks"), QStringLiteral("3")},
         "kordel-sim: --blocks, --interval-code, --gap-at, --gap-seconds, --bad-blocks and --erased-tail go "
         "with --write-dump; see kordel-sim --help\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.path, c.args);
        EXPECT_EQ(r.status, 2) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(KordelRecord, WithWaitAPortMissingAtStartIsWaitedFor) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("link"));
    const QString logPath = dir.filePath(QStringLiteral("kordel.log"));
    QProcess recorder;
    recorder.setWorkingDirectory(dir.path());
    recorder.start(QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--wait"), QStringLiteral("--port"), link});
    ASSERT_TRUE(recorder.waitForReadyRead(20000));
    EXPECT_EQ(recorder.readLine(), ("kordel-record: port " + link + ", daily files in .\n").toUtf8());
    ASSERT_TRUE(kordel::test::waitUntil([&] { return readAll(logPath).contains("Error: "); }));
    EXPECT_EQ(recorder.state(), QProcess::Running);
    // Nothing is recorded yet, so nothing says so.
    QByteArray err = recorder.readAllStandardError();
    EXPECT_FALSE(err.contains("recording from")) << err.toStdString();

    QProcess sim;
    sim.start(QStringLiteral(KORDEL_SIM_PATH), {QStringLiteral("--link"), link, QStringLiteral("--rate"),
                                                QStringLiteral("20")});
    ASSERT_TRUE(sim.waitForStarted(10000));
    QString file;
    ASSERT_TRUE(kordel::test::waitUntil([&] {
        const QStringList files = QDir(dir.path()).entryList({QStringLiteral("*.pc")}, QDir::Files);
        file = files.isEmpty() ? QString() : dir.filePath(files.first());
        return !file.isEmpty() && readAll(file).size() >= 3 * 63;
    }));
    ::kill(static_cast<pid_t>(recorder.processId()), SIGTERM);
    ASSERT_TRUE(recorder.waitForFinished(10000));
    EXPECT_EQ(recorder.exitCode(), 0);
    EXPECT_TRUE(readAll(logPath).contains("Port open again: " + link.toUtf8()));
    err += recorder.readAllStandardError();
    EXPECT_EQ(err.count("kordel-record: recording from " + link.toUtf8() + "\n"), 1) << err.toStdString();
    sim.terminate();
    sim.waitForFinished(10000);
}

}  // namespace

TEST(KordelCollect, FoldersAndOptionsThatCannotBeUsedEndWithStatus1) {
    QTemporaryDir dir;
    // Daily files without the collector's state: not its copy.
    QDir(dir.path()).mkdir(QStringLiteral("HUT"));
    QFile foreign(dir.filePath(QStringLiteral("HUT/20261208102000.pc")));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.close();
    struct Case {
        QStringList args;
        QByteArray err;
    };
    const QString missing = dir.filePath(QStringLiteral("none"));
    const QString hut = dir.filePath(QStringLiteral("HUT"));
    const Case cases[] = {
        {{QStringLiteral("--output-dir"), missing, QStringLiteral("--station"), QStringLiteral("HUT")},
         "kordel-collect: the output folder " + missing.toUtf8() + " does not exist\n"},
        {{QStringLiteral("--output-dir"), dir.path(), QStringLiteral("--station"), QStringLiteral("H/T")},
         "kordel-collect: the station code \"H/T\" may hold only letters, digits, '-' and '_' (1 to 64 of them)\n"},
        {{QStringLiteral("--output-dir"), dir.path(), QStringLiteral("--station"), QStringLiteral("OBS,HUT")},
         "kordel-collect: " + hut.toUtf8() +
             " holds daily files but no kordel-collect.state: they are not a copy this collector made; move them "
             "away or choose another folder\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(QStringLiteral(KORDEL_COLLECT_PATH),
                              QStringList{QStringLiteral("--mqtt"), QStringLiteral("mqtt://127.0.0.1:1")} + c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.err, c.err);
    }
}
