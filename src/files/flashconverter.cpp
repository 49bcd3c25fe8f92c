#include "files/flashconverter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>

#include "app/fd.h"
#include "app/fixedformats.h"
#include "app/textfile.h"
#include "files/safepath.h"

namespace kordel {

namespace {

// Offsets in a block header.
constexpr std::size_t kMarkerByte = 0;
constexpr std::size_t kTimeBytes = 1;  // year, month, day, hour, minute, second
constexpr std::size_t kLatitude = 7;
constexpr std::size_t kLatitudeLetter = 11;
constexpr std::size_t kLongitude = 12;
constexpr std::size_t kLongitudeLetter = 17;
constexpr std::size_t kIntervalCode = 18;
constexpr std::size_t kTsRaw = 20;
constexpr std::size_t kTeRaw = 22;
constexpr std::size_t kVinRaw = 24;
constexpr std::size_t kVbat = 26;
constexpr std::uint8_t kMarker = 0xC0;
// The highest value each time byte may hold: year, month, day, hour, minute, second.
constexpr std::uint8_t kTimeLimits[6] = {0x99, 0x12, 0x31, 0x23, 0x59, 0x59};

// The longest data line: a five-digit year, three-digit clock fields and the
// widest values, with room to spare.
constexpr std::size_t kMaxLineLength = 128;
// How much of the kept date and time text each line copies (see writeLine).
constexpr std::size_t kPrefixCopy = 32;
constexpr std::size_t kTailCopy = 16;

bool isBcd(std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; }
std::uint8_t fromBcd(std::uint8_t b) { return static_cast<std::uint8_t>((b >> 4) * 10 + (b & 0x0F)); }

std::uint16_t lowFirst16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint16_t highFirst16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// The six time bytes hold decimal digits only.
bool timeReadable(const std::uint8_t* block) {
    for (std::size_t i = 0; i < 6; ++i) {
        if (!isBcd(block[kTimeBytes + i])) {
            return false;
        }
    }
    return true;
}

ConversionClock blockTime(const std::uint8_t* block) {
    ConversionClock c;
    c.year = static_cast<std::uint16_t>(2000 + fromBcd(block[1]));
    c.month = fromBcd(block[2]);
    c.day = fromBcd(block[3]);
    c.hour = fromBcd(block[4]);
    c.minute = fromBcd(block[5]);
    c.second = fromBcd(block[6]);
    return c;
}

// Month and day are never 0: a block of zeros (padding, a wiped page) is no data.
bool dateNotZero(const std::uint8_t* block) { return block[kTimeBytes + 1] != 0 && block[kTimeBytes + 2] != 0; }

// A later block is processed when its time bytes are within range and are
// decimal digits throughout; anything else is a bad block.
bool headerPasses(const std::uint8_t* block) {
    for (std::size_t i = 0; i < 6; ++i) {
        if (block[kTimeBytes + i] > kTimeLimits[i]) {
            return false;
        }
    }
    return dateNotZero(block) && timeReadable(block);
}

// The first block names the files and starts the clock: its month and day must
// be a month and a day, or the clock would roll into names of 15 digits.
bool firstDateUsable(const std::uint8_t* block) {
    return dateNotZero(block) && block[kTimeBytes + 1] <= kTimeLimits[1] && block[kTimeBytes + 2] <= kTimeLimits[2];
}

// "00" … "99": the number fields go out two digits at a time.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> t{};
    for (std::size_t i = 0; i < 100; ++i) {
        t[2 * i] = static_cast<char>('0' + i / 10);
        t[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

char* putPair(char* p, unsigned v) {
    std::memcpy(p, &kDigitPairs[2 * v], 2);
    return p + 2;
}

// The decimal digits of `v`, written backwards so that they end just before
// `end`; returns where they begin.
template <typename Unsigned>
char* putDigitsBefore(char* end, Unsigned v) {
    while (v >= 100) {
        const auto r = static_cast<unsigned>(v % 100);
        v /= 100;
        end -= 2;
        putPair(end, r);
    }
    if (v >= 10) {
        end -= 2;
        putPair(end, static_cast<unsigned>(v));
    } else {
        *--end = static_cast<char>('0' + v);
    }
    return end;
}

int digitCount(std::uint64_t v) {
    int n = 1;
    // t wraps after 10^19, when n has reached the 20 digits of the largest value.
    for (std::uint64_t t = 10; n < 20 && v >= t; t *= 10) {
        ++n;
    }
    return n;
}

// The same for the values the data lines hold, whole parts of at most five
// digits, without a loop.
int digitCount(std::uint32_t v) {
    if (v < 100) {
        return v < 10 ? 1 : 2;
    }
    if (v < 10000) {
        return v < 1000 ? 3 : 4;
    }
    return v < 100000 ? 5 : digitCount(static_cast<std::uint64_t>(v));
}

char* putUnsigned(char* p, unsigned v) {
    char* const end = p + digitCount(static_cast<std::uint32_t>(v));
    putDigitsBefore(end, v);
    return end;
}

char* putTwo(char* p, unsigned v) {
    if (v < 100) {
        return putPair(p, v);
    }
    return putUnsigned(p, v);
}

// `m` ÷ 10^Decimals in fixed point, with a minus when `negative`, right-aligned
// in at least `Width` characters (the caller has room for the widest value).
template <int Decimals, int Width, typename Unsigned>
char* putMagnitude(char* p, Unsigned m, bool negative) {
    static_assert(Decimals == 1 || Decimals == 2);
    constexpr Unsigned kScale = Decimals == 1 ? 10 : 100;
    const Unsigned whole = m / kScale;
    const auto fraction = static_cast<unsigned>(m % kScale);
    const int length = digitCount(whole) + 1 + Decimals + (negative ? 1 : 0);
    const int total = length > Width ? length : Width;
    // The padding first; the digits then overwrite what they need of it.
    std::memset(p, ' ', Width);
    char* q = p + total;
    if constexpr (Decimals == 2) {
        q -= 2;
        putPair(q, fraction);
    } else {
        *--q = static_cast<char>('0' + fraction);
    }
    *--q = '.';
    q = putDigitsBefore(q, whole);
    if (negative) {
        *--q = '-';
    }
    return p + total;
}

// `scaled` ÷ 10^Decimals in fixed point, right-aligned in at least `Width`.
template <int Decimals, int Width>
char* putFixed(char* p, std::int64_t scaled) {
    const bool negative = scaled < 0;
    const std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    // Every value a dump can hold fits 32 bits, whose divisions are cheaper.
    if (m <= 0xFFFFFFFFu) {
        return putMagnitude<Decimals, Width>(p, static_cast<std::uint32_t>(m), negative);
    }
    return putMagnitude<Decimals, Width>(p, m, negative);
}

// n ÷ d rounded to the nearest integer, halves away from zero (d > 0).
std::int64_t roundedDiv(std::int64_t n, std::int64_t d) {
    const std::int64_t q = (n < 0 ? -n : n) * 2 + d;
    const std::int64_t m = q / (2 * d);
    return n < 0 ? -m : m;
}

}  // namespace

FlashConverter::FlashConverter(FlashConversionListener& listener, std::string outputDir)
    : listener_(listener), outputDir_(std::move(outputDir)), input_(new std::uint8_t[kInputSize]) {}

std::string FlashConverter::timeText(const ConversionClock& c) {
    return std::to_string(c.year) + ' ' + TwoDigits(c.month) + ' ' + TwoDigits(c.day) + ' ' + TwoDigits(c.hour) +
           ' ' + TwoDigits(c.minute) + ' ' + TwoDigits(c.second);
}

std::string FlashConverter::stem(const ConversionClock& c) {
    return std::to_string(c.year) + TwoDigits(c.month) + TwoDigits(c.day) + TwoDigits(c.hour);
}

std::string FlashConverter::dataFileName(const ConversionClock& c) {
    return stem(c) + TwoDigits(c.minute) + TwoDigits(c.second) + ".fl";
}

std::int32_t FlashConverter::decode24(const std::uint8_t* p) {
    std::int32_t v = p[0] | p[1] << 8 | p[2] << 16;
    if ((p[2] & 0x80) != 0) {
        v -= 16777216;
    }
    return v;
}

std::int64_t FlashConverter::fieldHundredths(std::int32_t raw) {
    // −raw ÷ 160 nT is −raw × 5 ÷ 8 hundredths; negating the integer first
    // keeps a raw 0 from becoming "-0.00".
    return roundedDiv(-static_cast<std::int64_t>(raw) * 5, 8);
}

std::int64_t FlashConverter::temperatureTenths(std::uint16_t raw) {
    // (raw ÷ 10.24 − 20) × 10 = (raw × 125 − 25600) ÷ 128.
    return roundedDiv(static_cast<std::int64_t>(raw) * 125 - 25600, 128);
}

bool FlashConverter::advanceClock(ConversionClock& c, int step) {
    c.second = static_cast<std::uint8_t>(c.second + step % 60);
    c.minute = static_cast<std::uint8_t>(c.minute + step / 60);
    if (c.second >= 60) {
        c.second = static_cast<std::uint8_t>(c.second - 60);
        c.minute = static_cast<std::uint8_t>(c.minute + 1);
    }
    if (c.minute < 60) {
        return false;
    }
    c.minute = static_cast<std::uint8_t>(c.minute - 60);
    c.hour = static_cast<std::uint8_t>(c.hour + 1);
    if (c.hour != 24) {
        return false;
    }
    c.hour = 0;
    c.day = static_cast<std::uint8_t>(c.day + 1);
    const bool leap = c.year % 4 == 0;  // right for 2000 … 2099, the dump's years
    if (c.day == 29 && c.month == 2 && !leap) {
        c.day = 1;
        c.month = 3;
    }
    if (c.day == 30 && c.month == 2 && leap) {
        c.day = 1;
        c.month = 3;
    }
    if (c.day == 31 && (c.month == 2 || c.month == 4 || c.month == 6 || c.month == 9 || c.month == 11)) {
        c.day = 1;
        c.month = static_cast<std::uint8_t>(c.month + 1);
    }
    if (c.day == 32) {
        c.day = 1;
        c.month = static_cast<std::uint8_t>(c.month + 1);
    }
    if (c.month == 13) {
        c.month = 1;
        c.year = static_cast<std::uint16_t>(c.year + 1);
    }
    return true;
}

std::string FlashConverter::outputPath(const std::string& name) const {
    // The names are made from the dump's own clock bytes: whatever those hold,
    // a name only ever stands for one file inside the output folder.
    const std::optional<std::string> path = pathInside(outputDir_, name);
    if (!path) {
        throw Stop{"Cannot write \"" + name + "\" into " + (outputDir_.empty() ? "." : outputDir_) +
                   ": not a plain file name"};
    }
    return *path;
}

void FlashConverter::fillInput(int fd) {
    // What is left moves to the front (less than a block), the rest of the
    // buffer is read into until it holds a whole block or the dump ends.
    const std::size_t left = inputEnd_ - inputStart_;
    if (left > 0 && inputStart_ > 0) {
        std::memmove(input_.get(), input_.get() + inputStart_, left);
    }
    inputStart_ = 0;
    inputEnd_ = left;
    while (inputEnd_ < kBlockSize) {
        const ssize_t n = ::read(fd, input_.get() + inputEnd_, kInputSize - inputEnd_);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Stop{IoStatus::fromErrno("Cannot read " + inputName_, errno).message()};
        }
        if (n == 0) {
            break;
        }
        inputEnd_ += static_cast<std::size_t>(n);
    }
}

std::size_t FlashConverter::readBlock(int fd) {
    if (inputEnd_ - inputStart_ < kBlockSize) {
        fillInput(fd);
    }
    const std::size_t got = std::min(kBlockSize, inputEnd_ - inputStart_);
    std::uint8_t* const b = input_.get() + inputStart_;
    // What a short block does not hold reads as zeros, never as the bytes of
    // the block before it. (A short block starts the buffer, so the zeros fit.)
    std::fill(b + got, b + kBlockSize, std::uint8_t{0});
    inputStart_ += got;
    block_ = b;
    consumed_ += got;
    return got;
}

void FlashConverter::reportProgress(std::uint64_t consumed) {
    int percent = 100;
    if (fileSize_ > 0) {
        const std::uint64_t p = (consumed * 200 + fileSize_) / (2 * fileSize_);
        percent = p > 100 ? 100 : static_cast<int>(p);
    }
    notifyProgress(percent);
}

void FlashConverter::notifyProgress(int percent) {
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        listener_.onProgress(percent);
    }
}

void FlashConverter::summaryLine(const std::string& text) {
    if (IoStatus s = listener_.onSummaryLine(text); !s) {
        throw Stop{s.message()};
    }
}

char* FlashConverter::makeRoom() {
    IoStatus status;
    char* const start = output_.reserve(kMaxLineLength, status);
    if (start == nullptr) {
        throw Stop{status.message()};
    }
    return start;
}

void FlashConverter::writeLine(const ConversionClock& c, std::int64_t bx, std::int64_t by, std::int64_t bz,
                               std::int64_t ts, std::int64_t te) {
    char* start = output_.room(kMaxLineLength);
    if (start == nullptr) {
        start = makeRoom();
    }
    // The date and time change at most once a record and often not at all
    // (ten records a second under interval code 0), mostly in the seconds
    // alone: their text is kept and only what changed is written again.
    if (!prefixValid_ || !(c == prefixClock_)) {
        if (prefixValid_ && c.second < 100 && prefixClock_.second < 100 && c.minute == prefixClock_.minute &&
            c.hour == prefixClock_.hour && c.day == prefixClock_.day && c.month == prefixClock_.month &&
            c.year == prefixClock_.year) {
            putPair(prefix_.data() + secondOffset_, c.second);
        } else {
            char* q = putUnsigned(prefix_.data(), c.year);
            *q++ = ' ';
            q = putTwo(q, c.month);
            *q++ = ' ';
            q = putTwo(q, c.day);
            *q++ = ' ';
            q = putTwo(q, c.hour);
            *q++ = ' ';
            q = putTwo(q, c.minute);
            *q++ = ' ';
            secondOffset_ = static_cast<std::size_t>(q - prefix_.data());
            q = putTwo(q, c.second);
            *q++ = '.';
            *q++ = '0';
            *q++ = '0';
            *q++ = ' ';
            prefixLength_ = static_cast<std::size_t>(q - prefix_.data());
        }
        prefixClock_ = c;
        prefixValid_ = true;
    }
    // The prefix is at most 29 characters (a five-digit year, three-digit
    // fields): a copy of a fixed 32 is cheaper than one of its exact length,
    // and what it puts beyond the prefix is overwritten or never committed.
    // The same goes for the tail (16 characters at most for values from a
    // dump): the longest line with both copies stays far below kMaxLineLength.
    static_assert(kPrefixCopy <= std::tuple_size_v<decltype(prefix_)>);
    static_assert(kTailCopy <= std::tuple_size_v<decltype(tail_)>);
    std::memcpy(start, prefix_.data(), kPrefixCopy);
    char* p = start + prefixLength_;
    p = putFixed<2, 8>(p, bx);
    *p++ = ' ';
    p = putFixed<2, 8>(p, by);
    *p++ = ' ';
    p = putFixed<2, 8>(p, bz);
    // Ts and Te come from the block's header: their text is kept as well.
    if (!tailValid_ || ts != tailTs_ || te != tailTe_) {
        char* q = tail_.data();
        *q++ = ' ';
        q = putFixed<1, 5>(q, ts);
        *q++ = ' ';
        q = putFixed<1, 5>(q, te);
        *q++ = '\r';
        *q++ = '\n';
        tailLength_ = static_cast<std::size_t>(q - tail_.data());
        tailTs_ = ts;
        tailTe_ = te;
        tailValid_ = true;
    }
    if (tailLength_ <= kTailCopy) {
        std::memcpy(p, tail_.data(), kTailCopy);
    } else {
        std::memcpy(p, tail_.data(), tailLength_);
    }
    p += tailLength_;
    output_.commit(static_cast<std::size_t>(p - start));
}

void FlashConverter::startConvertedFile() {
    const std::string name = dataFileName(clock_);
    const std::string path = outputPath(name);
    if (IoStatus s = output_.close(); !s) {
        throw Stop{s.message()};
    }
    // The clock may come back to a time at which a file of this dump started
    // (a gap backwards, midnight crossed again): that file goes on, it is not
    // emptied. Files of earlier conversions are replaced.
    const bool again = std::find(written_.begin(), written_.end(), path) != written_.end();
    if (IoStatus s = again ? output_.openToAppend(path) : output_.create(path); !s) {
        throw Stop{s.message()};
    }
    if (!again) {
        written_.push_back(path);
    }
    summaryLine(name);
}

void FlashConverter::reportBadBlock() {
    const std::string t = timeText(comparedClock_);
    std::string h;
    for (std::size_t i = 0; i < 6; ++i) {
        h += HexByte(block_[i]);
        h += ' ';
    }
    log("!Error Block > " + t);
    log("!buf512[0..5]= " + h);
    summaryLine("Error Block > " + t);
    summaryLine("!buf512[0..5]= " + h);
}

void FlashConverter::reportRunLength() {
    if (badRun_ >= 2) {
        const std::string text = "MaxErrorBlock = " + std::to_string(badRun_);
        log(text);
        summaryLine(text);
    }
}

void FlashConverter::processBlock(std::size_t bytes) {
    const std::uint8_t* b = block_;
    const ConversionClock bt = blockTime(b);
    comparedClock_ = clock_;
    if (bt.hour < 24 && bt.minute < 60 && bt.second < 60) {
        if (!(bt == clock_)) {
            const std::string text = "Error Time: From: " + timeText(clock_) + " To: " + timeText(bt);
            log(text);
            summaryLine(text);
            writeLine(clock_, lastBx_, lastBy_, lastBz_, lastTs_, lastTe_);
            const bool otherDay = bt.day != clock_.day;
            clock_ = bt;
            if (otherDay) {
                startConvertedFile();
            }
        }
    } else {
        log("Error time in blok! Correct time: " + timeText(bt) + "<==" + timeText(clock_));
    }

    lastTs_ = temperatureTenths(lowFirst16(b + kTsRaw));
    lastTe_ = temperatureTenths(lowFirst16(b + kTeRaw));

    std::size_t offset = kHeaderSize;
    for (; offset + kRecordSize <= bytes; offset += kRecordSize) {
        const std::uint8_t* r = b + offset;
        lastBx_ = fieldHundredths(decode24(r));
        lastBy_ = fieldHundredths(decode24(r + 3));
        lastBz_ = fieldHundredths(decode24(r + 6));
        writeLine(clock_, lastBx_, lastBy_, lastBz_, lastTs_, lastTe_);
        int step = 0;
        switch (intervalCode_) {
            case 0: step = r[15] == 9 ? 1 : 0; break;
            case 1: step = r[15] == 1 ? 1 : 0; break;
            case 2: step = r[15] == 0 ? 1 : 0; break;
            case 3: step = 10; break;
            case 4: step = 60; break;
            default: break;
        }
        if (step != 0 && advanceClock(clock_, step)) {
            startConvertedFile();
        }
    }
    if (offset < bytes) {
        // The dump ends inside this record: its missing bytes are not data.
        log("Incomplete record skipped at " + timeText(clock_) + ": " + std::to_string(bytes - offset) +
            " of 16 bytes");
    }
    badRun_ = 0;
}

FlashConverter::Result FlashConverter::run(const std::string& inputName) {
    inputName_ = inputName;
    written_.clear();
    inputStart_ = inputEnd_ = 0;
    block_ = input_.get();
    prefixValid_ = false;
    tailValid_ = false;
    consumed_ = 0;
    lastPercent_ = -1;
    badRun_ = 0;
    lastBx_ = lastBy_ = lastBz_ = 0;
    lastTs_ = lastTe_ = 0;

    log("Bin To Text: " + inputName);
    if (!fileSize(inputName)) {
        listener_.onMessage("File \r\n" + inputName + "\r\n" + " not found!");
        return Result::InputMissing;
    }
    // The dump is closed on every way out.
    const Fd input(::open(inputName.c_str(), O_RDONLY | O_CLOEXEC));
    const int fd = input.get();
    if (!input.valid()) {
        listener_.onFailure(IoStatus::fromErrno("Cannot open " + inputName, errno).message());
        return Result::Failed;
    }
    struct stat st {};
    fileSize_ = ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;

    bool summaryBegun = false;
    Result result = Result::Converted;
    try {
        notifyProgress(0);
        const std::size_t first = readBlock(fd);
        if (first == 0 || block_[kMarkerByte] != kMarker) {
            listener_.onMessage("File \r\n" + inputName + "[0]<>$C0!");
            return Result::NoMarker;
        }
        if (first < kTimeBytes + 6 || !timeReadable(block_) || !firstDateUsable(block_)) {
            // A time whose digits are not decimal would name the files and stamp
            // every line with nonsense: nothing is written.
            listener_.onMessage("File \r\n" + inputName + "\r\n" + " bad time in first block!");
            return Result::BadFirstTime;
        }
        const std::uint8_t* b = block_;
        clock_ = blockTime(b);
        std::string latitude;
        for (std::size_t i = 0; i < 4; ++i) {
            latitude += HexByte(b[kLatitude + i]);
        }
        if (b[kLatitudeLetter] != 0) {
            latitude += static_cast<char>(b[kLatitudeLetter]);
        }
        std::string longitude;
        for (std::size_t i = 0; i < 5; ++i) {
            longitude += HexByte(b[kLongitude + i]);
        }
        if (b[kLongitudeLetter] != 0) {
            longitude += static_cast<char>(b[kLongitudeLetter]);
        }
        intervalCode_ = b[kIntervalCode];

        const std::string outputName = dataFileName(clock_);
        SummaryHeader header;
        header.stem = stem(clock_);
        header.inputName = inputName;
        header.time = CivilDateTime{clock_.year, clock_.month, clock_.day, clock_.hour, clock_.minute, clock_.second, 0};
        header.latitude = latitude;
        header.longitude = longitude;
        header.tsRaw = lowFirst16(b + kTsRaw);
        header.teRaw = lowFirst16(b + kTeRaw);
        header.vinRaw = lowFirst16(b + kVinRaw);
        header.vbat = highFirst16(b + kVbat);
        header.firstDataFile = outputName;
        const std::string summaryPath = outputPath(SummaryWriter::fileName(header.stem));
        if (IoStatus s = listener_.onSummaryBegin(header, summaryPath); !s) {
            throw Stop{s.message()};
        }
        summaryBegun = true;
        written_.push_back(summaryPath);
        if (IoStatus s = output_.create(outputPath(outputName)); !s) {
            throw Stop{s.message()};
        }
        written_.push_back(outputPath(outputName));

        std::size_t bytes = first;
        for (;;) {
            processBlock(bytes);
            for (;;) {
                bytes = readBlock(fd);
                reportProgress(consumed_);
                if (bytes == 0) {
                    break;
                }
                if (headerPasses(block_)) {
                    break;
                }
                ++badRun_;
                if (badRun_ == 1) {
                    reportBadBlock();
                }
            }
            if (bytes <= kHeaderSize) {
                reportRunLength();
                break;
            }
            reportRunLength();
        }
        if (IoStatus s = output_.close(); !s) {
            throw Stop{s.message()};
        }
        summaryBegun = false;
        if (IoStatus s = listener_.onSummaryEnd(); !s) {
            throw Stop{s.message()};
        }
    } catch (const Stop& stop) {
        // Output written so far stays on disk; the files are closed.
        (void)output_.close();
        if (summaryBegun) {
            (void)listener_.onSummaryEnd();
        }
        listener_.onFailure(stop.message);
        result = Result::Failed;
    }
    return result;
}

}  // namespace kordel
