#include "sim/simulatedinstrument.h"

#include <algorithm>

namespace kordel {

namespace {

constexpr char kAddedByte = '*';

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

std::uint8_t toBcd(int value) {
    value = std::clamp(value, 0, 99);
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

int fromBcd(std::uint8_t b) {
    const int high = b >> 4;
    const int low = b & 0x0F;
    if (high > 9 || low > 9) {
        return -1;
    }
    return high * 10 + low;
}

std::uint8_t modeByte(InstrumentMode mode) {
    switch (mode) {
    case InstrumentMode::Off: return 0x00;
    case InstrumentMode::Total: return 0x80;
    case InstrumentMode::Var: return 0x81;
    case InstrumentMode::Comp: return 0x82;
    case InstrumentMode::Record: return 0x83;
    }
    return 0x00;
}

std::string statusReply(const InstrumentSettings& s, char commandCharacter) {
    std::string r(kStatusReplyLength, '\0');
    r[0] = commandCharacter;
    r[6] = static_cast<char>(static_cast<std::uint8_t>(std::clamp(s.averageSeconds, 0, 255)));
    r[8] = static_cast<char>(modeByte(s.mode));
    r[9] = s.gps ? 1 : 0;
    r[10] = s.saveTarget == SaveTarget::PcFlash ? 1 : 0;
    return r;
}

std::string dateTimeReply(const CivilDateTime& t) {
    std::string r(kDateTimeReplyLength, '\0');
    r[0] = '1';
    r[1] = static_cast<char>(toBcd(t.month));
    r[2] = static_cast<char>(toBcd(t.day));
    r[3] = static_cast<char>(toBcd(t.hour));
    r[4] = static_cast<char>(toBcd(t.minute));
    r[5] = static_cast<char>(toBcd(t.second));
    r[6] = static_cast<char>(toBcd(t.year % 100));
    r[7] = static_cast<char>(toBcd(t.year / 100 % 100));
    return r;
}

SimulatedInstrument::SimulatedInstrument(const InstrumentSettings& settings,
                                         const CivilDateTime& clockStart, const SimFaults& faults,
                                         std::uint64_t seed)
    : settings_(settings), faults_(faults), clock_(clockStart), field_(seed) {
    settings_.sampleIntervalMs = std::max(1, settings_.sampleIntervalMs);
    scheduleFromNow();
}

void SimulatedInstrument::scheduleFromNow() {
    const std::int64_t interval = settings_.sampleIntervalMs;
    const std::int64_t now = clock_.nowMs();
    std::int64_t next = now / interval * interval;
    if (next < now) {
        next += interval;
    }
    nextSampleMs_ = next;
}

std::int64_t SimulatedInstrument::msUntilSample() const {
    return std::max<std::int64_t>(0, nextSampleMs_ - clock_.nowMs());
}

std::string SimulatedInstrument::takeDueLine() {
    if (!streaming() || msUntilSample() > 0) {
        return {};
    }
    const CivilDateTime t = clock_.now();
    const std::int64_t interval = settings_.sampleIntervalMs;
    nextSampleMs_ = (clock_.nowMs() / interval + 1) * interval;
    ++linesMade_;
    const FieldValues v = field_.sample(t, static_cast<std::uint64_t>(linesMade_));
    return withByteFaults(buildDeviceLine(t, v, nextLineFault()));
}

LineFault SimulatedInstrument::nextLineFault() {
    if (faults_.badLineEvery <= 0 || linesMade_ % faults_.badLineEvery != 0) {
        return LineFault::None;
    }
    static constexpr LineFault kInTurn[] = {LineFault::Day32, LineFault::Hour24,
                                            LineFault::BlankAfterValue};
    return kInTurn[badLinesMade_++ % 3];
}

std::string SimulatedInstrument::withByteFaults(const std::string& line) {
    if (faults_.dropByteEvery <= 0 && faults_.addByteEvery <= 0) {
        streamBytes_ += static_cast<long long>(line.size());
        return line;
    }
    std::string out;
    out.reserve(line.size() + 4);
    for (char c : line) {
        ++streamBytes_;
        if (faults_.dropByteEvery <= 0 || streamBytes_ % faults_.dropByteEvery != 0) {
            out += c;
        }
        if (faults_.addByteEvery > 0 && streamBytes_ % faults_.addByteEvery == 0) {
            out += kAddedByte;
        }
    }
    return out;
}

std::string SimulatedInstrument::feed(std::string_view bytes) {
    std::string replies;
    for (char c : bytes) {
        if (pending_.empty() && c != '=') {
            continue;
        }
        pending_ += c;
        if (pending_.size() < static_cast<std::size_t>(kCommandLength)) {
            continue;
        }
        if (pending_.back() == ';') {
            replies += handleCommand(pending_);
            pending_.clear();
            continue;
        }
        // Not a frame: look for the next "=" after the one it began with.
        const auto next = pending_.find('=', 1);
        pending_ = next == std::string::npos ? std::string() : pending_.substr(next);
    }
    return replies;
}

std::string SimulatedInstrument::handleCommand(const std::string& frame) {
    const auto p = [&frame](int i) { return static_cast<std::uint8_t>(frame[static_cast<std::size_t>(i)]); };
    switch (frame[1]) {
    case 'S':
        return shortened(statusReply(settings_, 'S'));
    case '1':
        return shortened(dateTimeReply(clock_.now()));
    case '2': {
        const int month = fromBcd(p(2));
        const int day = fromBcd(p(3));
        const int hour = fromBcd(p(4));
        const int minute = fromBcd(p(5));
        const int second = fromBcd(p(6));
        if (inRange(month, 1, 12) && inRange(day, 1, 31) && inRange(hour, 0, 23) &&
            inRange(minute, 0, 59) && inRange(second, 0, 59)) {
            clock_.setDateTime(month, day, hour, minute, second);
            scheduleFromNow();
        }
        return {};
    }
    case '3': {
        const int yearInCentury = fromBcd(p(2));
        const int century = fromBcd(p(3));
        if (yearInCentury >= 0 && century >= 0) {
            clock_.setYear(century * 100 + yearInCentury);
            scheduleFromNow();
        }
        return {};
    }
    case 'R':
        if (p(2) == 0x00) {
            settings_.saveTarget = SaveTarget::Pc;
        } else if (p(2) == 0x01) {
            settings_.saveTarget = SaveTarget::PcFlash;
        }
        return shortened(statusReply(settings_, 'R'));
    default:
        return {};
    }
}

std::string SimulatedInstrument::shortened(std::string reply) const {
    if (faults_.shortReplies) {
        reply.resize(reply.size() - static_cast<std::size_t>(kShortReplyMissing));
    }
    return reply;
}

}  // namespace kordel
