#pragma once
// The recording side of a run: takes the bytes received while recording, cuts
// them into pieces, decodes the device lines, writes the daily data files and
// says what to plot.
//
// - Only a valid device line starts a daily file: the first one of every run,
//   and later one whose day differs from the current day (midnight by the
//   instrument's clock). Its name is YYYYMMDDhhmmss.pc from that line.
// - From the first byte of that line on, every byte received is appended, in
//   order and exactly once, to the file current at its arrival, damaged pieces
//   included; bytes before it go to no file. A file that already exists is
//   appended to, never emptied.
// - The file is opened and closed for every piece; a file that cannot be
//   written is reported once, and again only after a success in between. A
//   failed write leaves no part of its piece in the file; the first success
//   after failures is logged with the number of pieces that were lost.
// - What is written reaches the disk within about a second (BatchedSync), and
//   at once when a file ends (midnight, Stop).
// - Damaged pieces are logged through a DamagedPieceLog, so a wrong baud rate
//   does not flood the log.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/batchedsync.h"
#include "files/damagedpiecelog.h"
#include "link/deviceline.h"
#include "link/lineassembler.h"

namespace kordel {

class RecorderListener {
public:
    virtual ~RecorderListener() = default;
    // A daily file was started: the charts start afresh.
    virtual void onDailyFileStarted(const std::string& name) = 0;
    // A device line to plot (time of day as X); `dropOldest` when the live
    // window is full and the oldest point must go.
    virtual void onSample(const DecodedSample& sample, bool dropOldest) = 0;
    virtual void onLog(const std::string& text) = 0;
    // An unexpected file failure for the general error report.
    virtual void onFileError(const std::string& message) = 0;
};

class DailyRecorder {
public:
    static constexpr int kLiveWindow = 600;

    // Files go into `outputDir` ("" for the working directory). Without
    // `writeFiles` nothing is written: the lines are decoded and plotted as if
    // recorded (a remote station's lines, which are recorded where they arise).
    DailyRecorder(std::string outputDir, RecorderListener& listener, bool writeFiles = true);
    // Another folder for the daily files; set between runs (every write goes
    // to the folder of the moment).
    void setOutputDir(std::string outputDir) { outputDir_ = std::move(outputDir); }
    const std::string& outputDir() const { return outputDir_; }

    // Record: a fresh run; the piece in hand is dropped, the line count is 0 and
    // the run's first valid line starts a new daily file.
    void startRun();
    // Stop: the bytes of an unfinished piece are written, the file is synced and
    // the current day goes back to 0.
    void stopRun();

    // Bytes received while recording, in the order received.
    void feed(std::string_view bytes);

    const std::string& currentFileName() const { return fileName_; }
    std::uint8_t currentDay() const { return currentDay_; }
    std::int32_t lineCount() const { return lineCount_; }
    const DecodedSample& sample() const { return sample_; }
    // The clock that times the damaged-piece count and the syncs (tests and
    // benchmarks put in their own).
    void setClock(const DamagedPieceLog::Clock& clock) {
        damagedLog_.setClock(clock);
        sync_.setClock(clock);
    }
    // The files written lately go to the disk when their turn has come; the
    // program calls this every BatchedSync::kTick. A failure is reported once,
    // and again only after a sync went through.
    void syncIfDue();
    // Syncs what was written lately now (at exit; Stop and midnight do it).
    void syncNow();
    // Syncs done so far (for benchmarks).
    unsigned long long syncCount() const { return sync_.syncCount(); }
    bool fileStarted() const { return started_; }
    // Bytes of the piece in hand.
    std::size_t pendingBytes() const { return assembler_.pending().size(); }

    // YYYYMMDDhhmmss.pc of a valid device line.
    static std::string dailyFileName(std::string_view line, const DecodedSample& sample);

private:
    void RecordBlock(std::string_view piece);
    void StartDailyFile(std::string_view line);
    bool write(std::string_view bytes);
    void logDamaged(std::size_t bytes);
    void endDamagedRun();
    void reportSync(const IoStatus& status);
    // Logs a file failure, then hands it to the general error report.
    void reportFailure(const std::string& message);
    std::string path(const std::string& name) const;

    std::string outputDir_;
    RecorderListener& listener_;
    LineAssembler assembler_;
    DecodedSample sample_;
    std::string fileName_;
    std::uint8_t currentDay_ = 0;
    std::int32_t lineCount_ = 0;
    int pointsShown_ = 0;
    bool started_ = false;
    bool failureReported_ = false;
    std::uint64_t unwritten_ = 0;  // pieces lost since writing failed
    DamagedPieceLog damagedLog_;
    BatchedSync sync_;
    unsigned long long syncsSeen_ = 0;
    bool syncFailureReported_ = false;
    bool writeFiles_ = true;
};

}  // namespace kordel
