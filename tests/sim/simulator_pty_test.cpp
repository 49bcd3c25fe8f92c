// kordel-sim as a program: its pseudo-terminal read and written through the
// real QSerialPort, its link, its end on SIGTERM and its dump file.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <fcntl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include "app/fixedformats.h"
#include "link/serialport.h"
#include "sim/siminstrumentclock.h"
#include "sim/simulatedinstrument.h"

namespace kordel {
namespace {

constexpr int kWaitMs = 20000;

// QSerialPort and QProcess need an application object for their event loops.
class SimulatorPty : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "test_simulator_pty";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }
};

// kordel-sim running for one test, ended (SIGTERM) when the test ends.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args) {
        process_.setProgram(QStringLiteral(KORDEL_SIM_PROGRAM));
        process_.setArguments(args);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test killed on its time limit takes its simulator with it.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start();
    }
    ~SimProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(kWaitMs)) {
                process_.kill();
                process_.waitForFinished(kWaitMs);
            }
        }
    }

    // The device path: the first line the program writes.
    QString devicePath() {
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(kWaitMs)) {
                return {};
            }
        }
        return QString::fromLocal8Bit(process_.readLine()).trimmed();
    }

    QProcess& process() { return process_; }

private:
    QProcess process_;
};

std::unique_ptr<QSerialPort> openPort(const QString& path) {
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        ADD_FAILURE() << "cannot open " << path.toStdString() << ": " << port->errorString().toStdString();
        return nullptr;
    }
    // Bytes sent before the port was opened are not ours.
    port->clear();
    return port;
}

// Reads until `count` bytes have come (or the generous limit has passed).
QByteArray readBytes(QSerialPort& port, int count) {
    QByteArray got = port.readAll();
    QSignalSpy spy(&port, &QSerialPort::readyRead);
    while (got.size() < count && spy.wait(kWaitMs)) {
        got += port.readAll();
    }
    return got;
}

QByteArray asBytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

TEST_F(SimulatorPty, StatusRequestGetsElevenBytesThroughQSerialPort) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("k5");
    SimProcess sim({"--link", link, "--mode", "off", "--gps", "on", "--average", "10", "--start",
                    "2007-05-22 10:20:00"});
    const QString device = sim.devicePath();
    ASSERT_FALSE(device.isEmpty());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), device);

    auto port = openPort(link);
    ASSERT_TRUE(port);
    ASSERT_EQ(port->write("=S_____;"), 8);
    const QByteArray status = readBytes(*port, 11);
    InstrumentSettings expected;
    expected.mode = InstrumentMode::Off;
    expected.gps = true;
    expected.averageSeconds = 10;
    EXPECT_EQ(status.toHex(' '), asBytes(statusReply(expected)).toHex(' '));

    ASSERT_EQ(port->write("=1_____;"), 8);
    const QByteArray clock = readBytes(*port, 8);
    ASSERT_EQ(clock.size(), 8);
    // The seconds run on while the test runs; the rest holds for a minute.
    EXPECT_EQ(clock.left(5).toHex(' '), "31 05 22 10 20");
    EXPECT_LT(static_cast<unsigned char>(clock[5]), 0x60);
    EXPECT_EQ(clock.mid(6).toHex(' '), "07 20");

    ASSERT_EQ(port->write(QByteArray("=R\x01____;", 8)), 8);
    expected.saveTarget = SaveTarget::PcFlash;
    EXPECT_EQ(readBytes(*port, 11).toHex(' '), asBytes(statusReply(expected, 'R')).toHex(' '));

    // The program closes and opens its port again: the instrument still answers
    // and has kept its save target.
    port->close();
    port = openPort(link);
    ASSERT_TRUE(port);
    ASSERT_EQ(port->write("=S_____;"), 8);
    EXPECT_EQ(readBytes(*port, 11).toHex(' '), asBytes(statusReply(expected)).toHex(' '));
}

TEST_F(SimulatorPty, StreamsWholeDeviceLinesAndEndsCleanlyOnSigterm) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("k5");
    SimProcess sim({"--link", link, "--rate", "10", "--start", "2007-05-15 12:30:00"});
    ASSERT_FALSE(sim.devicePath().isEmpty());
    auto port = openPort(link);
    ASSERT_TRUE(port);

    // The port may have opened in the middle of a line: start after the first CR LF.
    QByteArray got = readBytes(*port, 3 * 63);
    const qsizetype firstEnd = got.indexOf("\r\n");
    ASSERT_GE(firstEnd, 0);
    got = got.mid(firstEnd + 2);
    got += readBytes(*port, 2 * 63 - static_cast<int>(got.size()));
    ASSERT_GE(got.size(), 2 * 63);
    for (int i = 0; i < 2; ++i) {
        const QByteArray line = got.mid(i * 63, 63);
        EXPECT_TRUE(line.startsWith("2007 05 15 12 30 ")) << line.toStdString();
        EXPECT_TRUE(line.endsWith("\r\n")) << line.toStdString();
        EXPECT_EQ(line.mid(19, 4), ".00 ");
    }

    port->close();
    sim.process().terminate();
    ASSERT_TRUE(sim.process().waitForFinished(kWaitMs));
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link is removed";
}

// The time stamp of a device line as milliseconds on the instrument's calendar.
std::int64_t stampOf(const QByteArray& line) {
    const auto number = [&line](int at, int width) {
        return static_cast<int>(parseInteger(line.mid(at, width).toStdString()).value_or(-1));
    };
    return InstrumentClock::toMs(
        {number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2), 0});
}

TEST_F(SimulatorPty, FastLinesFollowTheirOwnClockAcrossMidnight) {
    SimProcess sim({"--fast", "--start", "2007-12-31 23:59:58"});
    const QString device = sim.devicePath();
    ASSERT_FALSE(device.isEmpty());
    auto port = openPort(device);
    ASSERT_TRUE(port);
    // The port may open in the middle of a line, and lines sent before it
    // opened are gone; from the first CR LF on, every line is whole and one
    // second later than the one before, into the new year.
    QByteArray got = readBytes(*port, 2 * 63);
    const qsizetype firstEnd = got.indexOf("\r\n");
    ASSERT_GE(firstEnd, 0);
    got = got.mid(firstEnd + 2);
    std::int64_t previous = -1;
    bool newYear = false;
    for (int lines = 0; lines < 10000 && !newYear; ++lines) {
        if (got.size() < 63) {
            got += readBytes(*port, 63 - static_cast<int>(got.size()));
        }
        ASSERT_GE(got.size(), 63);
        const QByteArray line = got.left(63);
        got.remove(0, 63);
        ASSERT_TRUE(line.endsWith("\r\n")) << line.toStdString();
        const std::int64_t stamp = stampOf(line);
        if (previous >= 0) {
            ASSERT_EQ(stamp - previous, 1000) << line.toStdString();
        }
        previous = stamp;
        newYear = line.startsWith("2008 01 01 ");
    }
    EXPECT_TRUE(newYear);
}

TEST_F(SimulatorPty, WritesADump) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("k5.bin");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(KORDEL_SIM_PROGRAM),
            {"--write-dump", file, "--blocks", "3", "--interval-code", "3", "--start", "2008-02-28 23:50:00",
             "--erased-tail", "1"});
    ASSERT_TRUE(p.waitForFinished(kWaitMs));
    EXPECT_EQ(p.exitCode(), 0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray dump = f.readAll();
    ASSERT_EQ(dump.size(), 4 * 512);
    // 30 records of 10 seconds a block: block 2 starts 10 minutes after block 0.
    EXPECT_EQ(dump.mid(0, 7).toHex(' '), "c0 08 02 28 23 50 00");
    EXPECT_EQ(dump.mid(512, 7).toHex(' '), "c0 08 02 28 23 55 00");
    EXPECT_EQ(dump.mid(1024, 7).toHex(' '), "c0 08 02 29 00 00 00");
    EXPECT_EQ(static_cast<int>(dump[18]), 3);
    EXPECT_EQ(dump.mid(1536), QByteArray(512, '\xFF'));
}

TEST_F(SimulatorPty, RefusesBadOptions) {
    QProcess p;
    p.start(QStringLiteral(KORDEL_SIM_PROGRAM), {"--mode", "sideways"});
    ASSERT_TRUE(p.waitForFinished(kWaitMs));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("--mode"));
}

TEST_F(SimulatorPty, DrainTakesInWhatWaitsInTheDriverBeforeTheEventSaysSo) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    PortSettings settings;
    settings.portName = QString::fromLocal8Bit(::ptsname(master));
    const auto port = createSerialPort(settings);
    ASSERT_TRUE(port->open()) << port->errorString().toStdString();
    const std::string bytes(3000, 'k');
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), 3000);
    ::tcdrain(master);
    // No event loop has run: Qt has read nothing yet.
    EXPECT_EQ(port->bytesAvailable(), 0);
    port->drain();
    EXPECT_EQ(port->read(10000).toStdString(), bytes);
    port->drain();  // nothing more: returns at once
    EXPECT_EQ(port->bytesAvailable(), 0);
    EXPECT_TRUE(port->isOpen());
    port->close();
    ::close(master);
}

}  // namespace
}  // namespace kordel
