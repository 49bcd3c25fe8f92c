// kordel-convert [--output-dir DIR] DUMP...
//
// Converts flash dumps as the program's Flash button does: the same converted
// data files (*.fl), the same summary file (*.INF) and the same log entries,
// appended to "kordel.log" in the current directory. The output files go to DIR
// (default: the current directory), which is created when missing. The path of
// every file written goes to stdout, one a line. What the program would show in
// a message box goes to stderr, and that dump counts as failed.
//
// Exit status: 0 when every dump converted, 1 when any failed, 2 for a usage error
// (--help lists the options).

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/log/eventlog.h"
#include "app/programcommandline.h"
#include "files/flashconverter.h"
#include "outputreport.h"

namespace {

// Message texts break their lines with CR LF, as a message box wants them; on
// a terminal each break is one space, so a message is one line.
std::string forTerminal(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
            while (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n' || text[i + 1] == ' ')) {
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

class ConsoleListener final : public kordel::FileSummaryListener {
public:
    ConsoleListener(const kordel::EventLog& log, bool showProgress) : log_(log), showProgress_(showProgress) {}

    void start(const std::string& dump) {
        dump_ = dump;
        failed_ = false;
        barShown_ = false;
    }
    // Ends the progress bar's line.
    void finish() {
        if (barShown_) {
            std::fputc('\n', stderr);
            barShown_ = false;
        }
    }
    bool failed() const { return failed_; }

    void onLog(const std::string& text) override {
        if (const kordel::IoStatus s = log_.write(text); !s && !logFailed_) {
            // Said once: a log that cannot be written fails on every entry.
            logFailed_ = true;
            say(s.message());
        }
    }
    void onMessage(const std::string& text) override {
        failed_ = true;
        say(forTerminal(text));
    }
    void onFailure(const std::string& text) override {
        failed_ = true;
        say(text);
    }
    void onProgress(int percent) override {
        if (!showProgress_) {
            return;
        }
        constexpr int kWidth = 40;
        std::string bar(static_cast<std::size_t>(kWidth), ' ');
        for (int i = 0; i < percent * kWidth / 100; ++i) {
            bar[static_cast<std::size_t>(i)] = '#';
        }
        std::fprintf(stderr, "\r[%s] %3d%% %s", bar.c_str(), percent, dump_.c_str());
        std::fflush(stderr);
        barShown_ = true;
    }

private:
    void say(const std::string& text) {
        finish();
        std::fprintf(stderr, "kordel-convert: %s\n", text.c_str());
    }

    const kordel::EventLog& log_;
    bool showProgress_;
    std::string dump_;
    bool failed_ = false;
    bool barShown_ = false;
    bool logFailed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    kordel::ProgramCommandLine cli(
        QStringLiteral("kordel-convert"),
        QStringLiteral("Converts flash dumps of the Kordel-K5 as the program's Flash button does: data\n"
                       "files (*.fl) and a summary file (*.INF) per dump, with the log's entries\n"
                       "appended to kordel.log in the current directory. What the program would show\n"
                       "in a message box goes to stderr, and that dump counts as failed."),
        {{0, QStringLiteral("every dump converted")}, {1, QStringLiteral("a dump could not be converted")}});
    cli.addOption({QStringLiteral("output-dir")}, QStringLiteral("The folder of the converted files."),
                  QStringLiteral("DIR"), QStringLiteral("the current directory"));
    cli.addPositionalArgument(QStringLiteral("DUMP"), QStringLiteral("A flash dump; several may follow."),
                              QStringLiteral("DUMP..."));
    if (const auto status = cli.parseOrExit(kordel::argumentList(argc, argv))) {
        return *status;
    }
    const QCommandLineParser& parsed = cli.parser();
    const std::string outputDir = parsed.value(QStringLiteral("output-dir")).toStdString();
    if (parsed.isSet(QStringLiteral("output-dir")) && outputDir.empty()) {
        return cli.finish(cli.usageError(QStringLiteral("--output-dir needs a directory")));
    }
    std::vector<std::string> dumps;
    for (const QString& dump : parsed.positionalArguments()) {
        dumps.push_back(dump.toStdString());
    }
    if (dumps.empty()) {
        return cli.finish(cli.usageError(QStringLiteral("no flash dump named")));
    }

    if (!outputDir.empty() && !makeOutputDir(outputDir)) {
        return 1;
    }
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    const kordel::EventLog log(ec ? std::string("kordel.log") : (cwd / "kordel.log").string());
    ConsoleListener listener(log, ::isatty(STDERR_FILENO) == 1);
    kordel::FlashConverter converter(listener, outputDir);
    OutputReport report(stdout, stderr);

    bool anyFailed = false;
    for (const std::string& dump : dumps) {
        listener.start(dump);
        const auto result = converter.run(dump);
        listener.finish();
        const bool converted = result == kordel::FlashConverter::Result::Converted && !listener.failed();
        report.add(dump, converter.writtenFiles(), converted);
        anyFailed = anyFailed || !converted;
    }
    return anyFailed ? 1 : 0;
}
