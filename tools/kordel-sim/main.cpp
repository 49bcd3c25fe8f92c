// kordel-sim: plays the Kordel-K5 on a pseudo-terminal, or writes a flash dump.
// The instrument's behaviour lives in kordel_sim (SimulatedInstrument); this
// file only owns the pseudo-terminal, the pace of the line and the signals.

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "app/clock.h"
#include "app/programcommandline.h"
#include "files/flashdumpwriter.h"
#include "sim/simdump.h"
#include "sim/simoptions.h"
#include "sim/simulatedinstrument.h"

namespace {

using namespace kordel;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

void complain(const std::string& text) { std::fprintf(stderr, "kordel-sim: %s\n", text.c_str()); }

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

// The master side of the pseudo-terminal, the slave held open by ourselves and
// the symbolic link. Holding the slave keeps the master readable and writable
// while no program has the port open (without it the master reports a hang-up
// after every close of the port).
class Pty {
public:
    ~Pty() {
        removeLink();
        if (slave_ >= 0) {
            ::close(slave_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }

    bool open() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0) {
            complain(errnoText("posix_openpt"));
            return false;
        }
        char name[256] = {};
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            complain(errnoText("cannot prepare the pseudo-terminal"));
            return false;
        }
        path_ = name;
        // Raw: no CR to LF, no echo, every byte value passes.
        termios tio{};
        if (::tcgetattr(master_, &tio) != 0) {
            complain(errnoText("tcgetattr"));
            return false;
        }
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        if (::tcsetattr(master_, TCSANOW, &tio) != 0) {
            complain(errnoText("tcsetattr"));
            return false;
        }
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave_ < 0) {
            complain(errnoText("cannot open " + path_));
            return false;
        }
        const int flags = ::fcntl(master_, F_GETFL);
        if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0 ||
            ::fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) {
            complain(errnoText("fcntl"));
            return false;
        }
        return true;
    }

    // Points `link` at the device. An existing symbolic link is replaced; any
    // other file of that name is left alone and is an error.
    bool makeLink(const std::string& link) {
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            complain(link + " exists and is not a symbolic link");
            return false;
        }
        const std::string temporary = link + ".new" + std::to_string(::getpid());
        ::unlink(temporary.c_str());
        if (::symlink(path_.c_str(), temporary.c_str()) != 0) {
            complain(errnoText("cannot make the link " + link));
            return false;
        }
        if (::rename(temporary.c_str(), link.c_str()) != 0) {
            complain(errnoText("cannot make the link " + link));
            ::unlink(temporary.c_str());
            return false;
        }
        link_ = link;
        return true;
    }

    // Removes the link, unless someone has pointed it elsewhere meanwhile.
    void removeLink() {
        if (link_.empty()) {
            return;
        }
        std::vector<char> target(path_.size() + 2);
        const ssize_t n = ::readlink(link_.c_str(), target.data(), target.size());
        if (n >= 0 && std::string(target.data(), static_cast<std::size_t>(n)) == path_) {
            ::unlink(link_.c_str());
        }
        link_.clear();
    }

    int master() const { return master_; }
    const std::string& path() const { return path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::string link_;
};

// Bytes waiting to go out: whole lines and replies, in the order they were made.
class OutputQueue {
public:
    void append(const std::string& bytes) { bytes_ += bytes; }
    std::size_t size() const { return bytes_.size() - sent_; }
    bool empty() const { return size() == 0; }

    // True when the last write found the line's buffer full.
    bool full() const { return full_; }

    // Writes at most `limit` bytes; false on an error other than a full buffer.
    bool writeTo(int fd, std::size_t limit) {
        const std::size_t n = std::min(limit, size());
        full_ = false;
        if (n == 0) {
            return true;
        }
        const ssize_t w = ::write(fd, bytes_.data() + sent_, n);
        if (w < 0) {
            full_ = errno == EAGAIN || errno == EWOULDBLOCK;
            return full_ || errno == EINTR || errno == EIO;
        }
        sent_ += static_cast<std::size_t>(w);
        if (sent_ == bytes_.size()) {
            bytes_.clear();
            sent_ = 0;
        } else if (sent_ > 65536) {
            bytes_.erase(0, sent_);
            sent_ = 0;
        }
        return true;
    }

private:
    std::string bytes_;
    std::size_t sent_ = 0;
    bool full_ = false;
};

// 9600 baud with a start and a stop bit: 960 bytes a second.
constexpr double kBytesPerMs = 0.96;
// Output is written in small portions, as a serial line delivers it.
constexpr double kChunkBytes = 8;
// Lines that may wait for a slow reader before further samples are left out.
constexpr std::size_t kMaxQueuedPaced = 4 * kDeviceLineLength;
constexpr std::size_t kMaxQueuedFast = 16384;

bool rateExceedsLine(const InstrumentSettings& s) {
    return static_cast<double>(kDeviceLineLength) / s.sampleIntervalMs > kBytesPerMs;
}

long long msSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

int runInstrument(const SimOptions& options) {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t waitMask;
    // The signals are only let in while waiting in ppoll, so none is missed.
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Pty pty;
    if (!pty.open()) {
        return 1;
    }
    if (!options.link.empty() && !pty.makeLink(options.link)) {
        return 1;
    }
    std::printf("%s\n", pty.path().c_str());
    std::fflush(stdout);

    if (!options.fast && rateExceedsLine(options.instrument)) {
        complain("at 9600 baud the line carries at most 15 lines a second; samples will be left out");
    }
    SimulatedInstrument instrument(options.instrument, options.start ? *options.start : localNow(),
                                   options.faults);
    OutputQueue out;
    const bool fast = options.fast;
    auto last = Clock::now();
    double allowance = 0;  // bytes the line could have carried since the last write
    long long missedSamples = 0;
    std::vector<char> input(4096);

    // Brings the instrument's clock up to the real time that has passed; the
    // line's allowance grows with it. It runs before a command is handled too,
    // so the time spent waiting for the command counts before the command
    // (setting the clock, reading it), not after it.
    const auto catchUp = [&] {
        const long long elapsed = msSince(last, Clock::now());
        last += std::chrono::milliseconds(elapsed);
        if (!(fast && instrument.streaming())) {
            instrument.advanceClock(elapsed);
        }
        allowance = std::min(allowance + static_cast<double>(elapsed) * kBytesPerMs, 2 * kChunkBytes);
    };

    while (!stopRequested) {
        catchUp();
        const bool linesMoveClock = fast && instrument.streaming();

        bool madeNothing = false;
        if (linesMoveClock) {
            // Bounded, because dropped bytes may leave a line with nothing in it.
            const std::size_t before = out.size();
            for (int made = 0; made < 1000 && out.size() < kMaxQueuedFast; ++made) {
                instrument.advanceClock(instrument.msUntilSample());
                out.append(instrument.takeDueLine());
            }
            madeNothing = out.size() == before;
        } else {
            for (std::string line = instrument.takeDueLine(); !line.empty(); line = instrument.takeDueLine()) {
                if (out.size() < kMaxQueuedPaced) {
                    out.append(line);
                } else if (missedSamples++ == 0) {
                    complain("lines wait to be read: further samples are left out until they are");
                }
            }
        }

        bool ok = true;
        if (fast) {
            ok = out.writeTo(pty.master(), out.size());
        } else if (!out.empty() && allowance >= std::min<double>(kChunkBytes, static_cast<double>(out.size()))) {
            const std::size_t before = out.size();
            ok = out.writeTo(pty.master(), static_cast<std::size_t>(allowance));
            allowance -= static_cast<double>(before - out.size());
        }
        if (!ok) {
            complain(errnoText("cannot write to " + pty.path()));
            return 1;
        }

        // Wake for the next command, the next portion of output or the next sample.
        long long timeoutMs = -1;
        if (!out.empty() && !fast && !out.full()) {
            const double need = std::min<double>(kChunkBytes, static_cast<double>(out.size())) - allowance;
            timeoutMs = std::max(1LL, static_cast<long long>(std::ceil(need / kBytesPerMs)));
        }
        if (instrument.streaming() && !fast) {
            const long long untilSample = std::max(1LL, static_cast<long long>(instrument.msUntilSample()));
            timeoutMs = timeoutMs < 0 ? untilSample : std::min(timeoutMs, untilSample);
        }
        pollfd pfd{pty.master(), POLLIN, 0};
        if (linesMoveClock && madeNothing) {
            // Every byte of the lines made was dropped: try again a little later.
            timeoutMs = 10;
        } else if (linesMoveClock || (fast && !out.empty()) || out.full()) {
            // Room in the line is what lets the next lines go out (and be made).
            pfd.events |= POLLOUT;
        }
        timespec ts{};
        timespec* tsp = nullptr;
        if (timeoutMs >= 0) {
            ts.tv_sec = static_cast<time_t>(timeoutMs / 1000);
            ts.tv_nsec = static_cast<long>(timeoutMs % 1000) * 1'000'000L;
            tsp = &ts;
        }
        const int ready = ::ppoll(&pfd, 1, tsp, &waitMask);
        // ppoll runs the handler only when it returns for the signal; one that
        // came while a descriptor was ready as well waits here.
        sigset_t pending;
        if (sigpending(&pending) == 0 && (sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM))) {
            break;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            complain(errnoText("ppoll"));
            return 1;
        }
        if (ready > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(pty.master(), input.data(), input.size());
            if (n > 0) {
                catchUp();
                out.append(instrument.feed(std::string_view(input.data(), static_cast<std::size_t>(n))));
            }
        }
    }
    return 0;
}

int writeDump(const SimOptions& options) {
    const SimDumpOptions& dump = *options.dump;
    const FlashDumpWriter writer(simDumpOptions(dump, options.start ? *options.start : kSimDumpDefaultStart));
    const IoStatus status = writer.writeTo(dump.file);
    if (!status) {
        complain(status.message());
        return 1;
    }
    std::printf("%s: %zu blocks, %llu bytes\n", dump.file.c_str(), writer.blockCount(),
                static_cast<unsigned long long>(writer.byteCount()));
    return 0;
}

// The options, each with its help line and its default.
void addSimOptions(kordel::ProgramCommandLine& cli) {
    const auto option = [&cli](const char* name, const char* valueName, const char* description,
                               const char* defaultText = "") {
        cli.addOption({QString::fromLatin1(name)}, QString::fromUtf8(description), QString::fromLatin1(valueName),
                      QString::fromUtf8(defaultText));
    };
    option("link", "PATH", "Also make PATH a symbolic link to the pseudo-terminal.", "none");
    option("rate", "HZ", "Device lines per second, 0.01 to 100.", "one per averaging interval");
    option("mode", "MODE", "The instrument's mode: total, var, comp, record or off.", "total");
    option("gps", "on|off", "Whether the instrument reports a GPS.", "off");
    option("average", "N", "The averaging interval in seconds, 0 to 255.", "1");
    option("start", "YYYY-MM-DD hh:mm:ss", "The instrument's clock at start.",
           "the computer's local time; 2007-05-15 12:30:00 for a dump");
    option("fast", "",
           "Lines as fast as they are read, the clock moving on by one sample interval per line "
           "(otherwise at the pace of 9600 baud).");
    option("drop-byte-every", "N", "Leave out every N-th byte of the lines.", "0, never");
    option("add-byte-every", "N", "Put a \"*\" after every N-th byte of the lines.", "0, never");
    option("bad-line-every", "N", "Make every N-th line invalid (day 32, hour 24, a blank after a value, in turn).",
           "0, never");
    option("short-replies", "", "Cut 3 bytes off every reply.");
    option("write-dump", "FILE", "Write a flash dump to FILE instead of playing the instrument.");
    option("blocks", "N", "Dump: blocks with records, bad blocks included.", "8");
    option("interval-code", "C", "Dump: the interval code of the records, 0 to 255.", "2");
    option("gap-at", "K", "Dump: the times jump from block K on (counted from 0, K at least 1).", "no jump");
    option("gap-seconds", "S", "Dump: by this many seconds (negative: backwards).", "3600");
    option("bad-blocks", "K:N", "Dump: N blocks from block K (counted from 0) on are bad (hour 24).", "none");
    option("erased-tail", "N", "Dump: end with N erased blocks (all 0xFF).", "0");
}

// The options in the order given, as "--name=value", for the checks of their values.
std::vector<std::string> givenOptions(const QCommandLineParser& parsed) {
    std::vector<std::string> args;
    std::map<QString, qsizetype> used;
    for (const QString& name : parsed.optionNames()) {
        const QStringList values = parsed.values(name);
        std::string arg = "--" + name.toStdString();
        if (!values.isEmpty()) {
            const qsizetype i = std::min(used[name]++, values.size() - 1);
            arg += "=" + values[i].toStdString();
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    kordel::ProgramCommandLine cli(
        QStringLiteral("kordel-sim"),
        QStringLiteral("Plays the Kordel-K5 on a pseudo-terminal and prints the device's path on the\n"
                       "first line, or writes a flash dump (--write-dump) to try the conversion on.\n"
                       "Ends on SIGINT or SIGTERM and removes its link."),
        {{0, QStringLiteral("ended by SIGINT or SIGTERM, or the dump written")},
         {1, QStringLiteral("the pseudo-terminal, the link or the dump could not be made")}});
    addSimOptions(cli);
    if (const auto status = cli.parseOrExit(kordel::argumentList(argc, argv))) {
        return *status;
    }
    const SimOptions options = parseSimOptions(givenOptions(cli.parser()));
    if (!cli.parser().positionalArguments().isEmpty()) {
        return cli.finish(cli.usageError(QStringLiteral("unexpected argument ") +
                                         cli.parser().positionalArguments().constFirst()));
    }
    if (!options.problems.empty()) {
        return cli.finish(cli.usageError(QString::fromStdString(options.problems.front())));
    }
    return options.dump ? writeDump(options) : runInstrument(options);
}
