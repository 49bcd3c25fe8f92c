#pragma once
// The flash dump converter ("Bin To Text"): turns a binary dump of the
// instrument's flash memory into converted data files (*.fl) and one summary
// file (*.INF), reporting time gaps and bad blocks.
//
// The dump is read many blocks per system call into one fixed-size input
// buffer and processed one 512-byte block at a time; every data line goes out
// through a fixed-size output buffer, so memory stays the same whatever the
// dump's size. Output files are created in the output
// directory under names without a folder; an empty directory means the process's
// current directory.
//
// The converter knows no window: everything it has to say goes to a
// `FlashConversionListener`, which the program's windows and the command-line
// converter each implement.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/iostatus.h"
#include "files/outputfile.h"
#include "files/summarywriter.h"

namespace kordel {

class FlashConversionListener {
public:
    virtual ~FlashConversionListener() = default;

    // One event log entry.
    virtual void onLog(const std::string& text) = 0;
    // An expected failure the user is told about in a message box (OK button);
    // lines are broken by CR LF.
    virtual void onMessage(const std::string& text) = 0;
    // An unexpected file failure, with the system's text; the conversion has stopped.
    virtual void onFailure(const std::string& text) = 0;
    // The share of the dump read so far, 0 … 100; called when it changes.
    virtual void onProgress(int percent) = 0;

    // The summary file: begun once the first block is read, one line per event,
    // ended when the conversion ends (also after a failure). A failing status
    // stops the conversion.
    virtual IoStatus onSummaryBegin(const SummaryHeader& header, const std::string& path) = 0;
    virtual IoStatus onSummaryLine(const std::string& text) = 0;
    virtual IoStatus onSummaryEnd() = 0;
};

// A listener that writes the summary file itself; the command-line converter
// and tests build on it.
class FileSummaryListener : public FlashConversionListener {
public:
    IoStatus onSummaryBegin(const SummaryHeader& header, const std::string& path) override {
        return summary_.begin(path, header);
    }
    IoStatus onSummaryLine(const std::string& text) override { return summary_.addLine(text); }
    IoStatus onSummaryEnd() override { return summary_.end(); }

private:
    SummaryWriter summary_;
};

// The conversion clock; the fields are as wide as the instrument's, so that
// nonsense in a first block wraps rather than grows.
struct ConversionClock {
    std::uint16_t year = 2000;
    std::uint8_t month = 1;
    std::uint8_t day = 1;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    friend bool operator==(const ConversionClock&, const ConversionClock&) = default;
};

class FlashConverter {
public:
    static constexpr std::size_t kBlockSize = 512;
    static constexpr std::size_t kHeaderSize = 32;
    static constexpr std::size_t kRecordSize = 16;

    enum class Result {
        Converted,      // to the end of the dump
        InputMissing,   // no file of that name (message)
        NoMarker,       // empty, or the first byte is not 0xC0 (message)
        BadFirstTime,   // the first block's time cannot be read (message)
        Failed,         // a file could not be opened, created, read or written (failure)
    };

    FlashConverter(FlashConversionListener& listener, std::string outputDir = {});

    // Converts the dump `inputName`, which is also the name the texts show.
    Result run(const std::string& inputName);

    // The paths of the files the last run wrote, each once, in the order they
    // were first created: the summary file, then the converted data files.
    const std::vector<std::string>& writtenFiles() const { return written_; }

    // ---- the pieces of the formats, for the callers' and tests' use ----

    // year, month, day, hour, minute, second separated by single spaces.
    static std::string timeText(const ConversionClock& c);
    // "2007051512"
    static std::string stem(const ConversionClock& c);
    // "20070515123000.fl"
    static std::string dataFileName(const ConversionClock& c);

    // The 24-bit two's complement field at `p`, least significant byte first.
    static std::int32_t decode24(const std::uint8_t* p);
    // −raw ÷ 160 nT in hundredths, halves away from zero.
    static std::int64_t fieldHundredths(std::int32_t raw);
    // raw ÷ 10.24 − 20 in tenths, halves away from zero.
    static std::int64_t temperatureTenths(std::uint16_t raw);

    // Moves the clock on by 1, 10 or 60 seconds; true when it passed midnight
    // (a new data file is due).
    static bool advanceClock(ConversionClock& c, int step);

private:
    struct Stop {
        std::string message;
    };

    // The input buffer holds whole blocks (64 KB): one system call a block
    // would cost more than converting the block.
    static constexpr std::size_t kInputSize = 128 * kBlockSize;

    std::size_t readBlock(int fd);
    void fillInput(int fd);
    char* makeRoom();
    void processBlock(std::size_t bytes);
    void writeLine(const ConversionClock& c, std::int64_t bx, std::int64_t by, std::int64_t bz,
                   std::int64_t ts, std::int64_t te);
    void startConvertedFile();
    void reportBadBlock();
    void reportRunLength();
    void reportProgress(std::uint64_t consumed);
    void notifyProgress(int percent);
    void log(const std::string& text) { listener_.onLog(text); }
    void summaryLine(const std::string& text);
    std::string outputPath(const std::string& name) const;

    FlashConversionListener& listener_;
    std::string outputDir_;

    // State of one run.
    std::string inputName_;
    std::vector<std::string> written_;
    // Bytes inputStart_ … inputEnd_ of input_ are read but not yet handed out;
    // block_ is the block being processed, always kBlockSize bytes of input_.
    std::unique_ptr<std::uint8_t[]> input_;
    std::size_t inputStart_ = 0;
    std::size_t inputEnd_ = 0;
    const std::uint8_t* block_ = nullptr;
    OutputFile output_;
    ConversionClock clock_;
    ConversionClock comparedClock_;  // the clock as it was when the last block time was compared
    std::uint8_t intervalCode_ = 0;
    std::uint64_t fileSize_ = 0;
    std::uint64_t consumed_ = 0;
    int lastPercent_ = -1;
    std::size_t badRun_ = 0;
    std::int64_t lastBx_ = 0, lastBy_ = 0, lastBz_ = 0;
    std::int64_t lastTs_ = 0, lastTe_ = 0;
    // The text of the date and time of the last line written.
    std::array<char, 48> prefix_{};
    std::size_t prefixLength_ = 0;
    std::size_t secondOffset_ = 0;  // where the seconds' digits stand in prefix_
    ConversionClock prefixClock_;
    bool prefixValid_ = false;
    // The text of the line's end: Ts and Te, which stay the same for a block.
    std::array<char, 48> tail_{};
    std::size_t tailLength_ = 0;
    std::int64_t tailTs_ = 0, tailTe_ = 0;
    bool tailValid_ = false;
};

}  // namespace kordel
