#include "files/dailyrecorder.h"

#include "app/fixedformats.h"
#include "app/textfile.h"

namespace kordel {

DailyRecorder::DailyRecorder(std::string outputDir, RecorderListener& listener, bool writeFiles)
    : outputDir_(std::move(outputDir)), listener_(listener), writeFiles_(writeFiles) {}

std::string DailyRecorder::path(const std::string& name) const {
    if (outputDir_.empty()) {
        return name;
    }
    return outputDir_.back() == '/' ? outputDir_ + name : outputDir_ + '/' + name;
}

std::string DailyRecorder::dailyFileName(std::string_view line, const DecodedSample& s) {
    // Year and month are taken as the instrument wrote them (a valid line holds
    // digits there); the day as the number read, so the name is digits only.
    std::string name(line.substr(0, 4));
    name += line.substr(5, 2);
    name += TwoDigits(s.day);
    name += TwoDigits(s.hour);
    name += TwoDigits(s.minute);
    name += TwoDigits(s.second);
    name += ".pc";
    return name;
}

void DailyRecorder::startRun() {
    assembler_.reset();
    lineCount_ = 0;
    started_ = false;
}

void DailyRecorder::stopRun() {
    if (started_ && !assembler_.pending().empty()) {
        const std::string_view rest = assembler_.pending();
        logDamaged(rest.size());
        write(rest);
    }
    endDamagedRun();
    assembler_.reset();
    syncNow();
    started_ = false;
    currentDay_ = 0;
}

void DailyRecorder::feed(std::string_view bytes) {
    assembler_.feed(bytes, [this](std::string_view piece) { RecordBlock(piece); });
}

void DailyRecorder::RecordBlock(std::string_view piece) {
    if (!isDeviceLine(piece)) {
        logDamaged(piece.size());
        if (started_) {
            write(piece);
        }
        return;
    }
    const bool valid = DecodeDeviceLine(piece, sample_);
    if (!valid) {
        listener_.onLog("Kordel: Error string (" + std::to_string(lineCount_) + "): " + std::string(piece));
    } else {
        endDamagedRun();
        if (!started_ || sample_.day != currentDay_) {
            StartDailyFile(piece);
        }
    }
    if (!started_) {
        return;
    }
    // A line that fails its checks is written and counted, not plotted: its
    // values and time are not the instrument's.
    if (valid) {
        listener_.onSample(sample_, pointsShown_ >= kLiveWindow);
        if (pointsShown_ < kLiveWindow) {
            ++pointsShown_;
        }
    }
    if (write(piece)) {
        ++lineCount_;
    }
}

void DailyRecorder::StartDailyFile(std::string_view line) {
    syncNow();  // the file ending here is whole on the disk
    fileName_ = dailyFileName(line, sample_);
    const bool exists = writeFiles_ && fileSize(path(fileName_)).has_value();
    // Create it empty now, so the file is there from the start of the run; a
    // file of the same name (clock set back, restart within the second) keeps
    // what it holds and is appended to.
    if (write({}) && !exists) {
        sync_.written(outputDir_.empty() ? std::string(".") : outputDir_);  // its name, too
    }
    currentDay_ = sample_.day;
    started_ = true;
    pointsShown_ = 0;
    listener_.onDailyFileStarted(fileName_);
    lineCount_ = 0;
    if (writeFiles_) {
        listener_.onLog("Start Record: " + fileName_);
    }
    if (exists) {
        listener_.onLog("File exists, appending: " + fileName_);
    }
}

void DailyRecorder::logDamaged(std::size_t bytes) {
    const std::string entry =
        "Kordel: Damaged string (" + std::to_string(lineCount_) + "), " + std::to_string(bytes) + " bytes";
    if (const auto text = damagedLog_.damaged(entry)) {
        listener_.onLog(*text);
    }
}

void DailyRecorder::endDamagedRun() {
    if (const auto count = damagedLog_.runEnded()) {
        listener_.onLog(*count);
    }
}

void DailyRecorder::syncIfDue() { reportSync(sync_.syncIfDue()); }

void DailyRecorder::syncNow() { reportSync(sync_.syncNow()); }

void DailyRecorder::reportSync(const IoStatus& status) {
    if (status) {
        if (sync_.syncCount() != syncsSeen_) {
            syncFailureReported_ = false;  // a sync went through
        }
    } else if (!syncFailureReported_) {
        syncFailureReported_ = true;
        listener_.onLog("Error: " + status.message());
        listener_.onFileError(status.message());
    }
    syncsSeen_ = sync_.syncCount();
}

bool DailyRecorder::write(std::string_view bytes) {
    if (!writeFiles_) {
        return true;
    }
    const std::string file = path(fileName_);
    const IoStatus status = appendToFile(file, bytes);
    if (status) {
        sync_.written(file);
        reportSync(sync_.syncIfDue());
        if (failureReported_) {
            listener_.onLog("Writing again: " + fileName_ + "; " + std::to_string(unwritten_) +
                            " lines could not be written");
        }
        failureReported_ = false;
        unwritten_ = 0;
        return true;
    }
    if (!bytes.empty()) {
        ++unwritten_;
    }
    if (!failureReported_) {
        failureReported_ = true;
        listener_.onLog("Error: " + status.message());
        listener_.onFileError(status.message());
    }
    return false;
}

}  // namespace kordel
