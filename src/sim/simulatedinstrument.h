#pragma once
// The simulated instrument: what kordel-sim plays on a pseudo-terminal, kept
// free of any port so that tests drive it directly.
//
// It keeps its mode, averaging interval, GPS flag, save target and clock,
// answers the 8-byte command frames "=" + command + 5 parameter bytes + ";"
// that `feed` receives, and, while its mode is not OFF, produces one device line
// per sample interval of its own clock. Its driver moves the clock on
// (`clock().advance`), asks `takeDueLine` for the line that is due, and sends
// the reply bytes and lines in the order they were produced, each one whole.
//
// Replies (byte 1 echoes the command character; bytes not listed are 0):
//   "=S_____;"  11 bytes: 7 averaging interval in seconds, 9 mode (0x00 OFF,
//               0x80 Total, 0x81 Var, 0x82 Comp, 0x83 Record), 10 GPS (1 on,
//               0 off), 11 save target (0 PC, 1 PC+Flash)
//   "=1_____;"   8 bytes: month, day, hour, minute, second, year within the
//               century, century, BCD, in bytes 2 to 8
//   "=R" t "____;"  11 bytes, laid out as the status reply, after the save
//               target has become t (0x00 PC, 0x01 PC+Flash; any other value
//               leaves it as it was)
// "=2" month day hour minute second ";" and "=3" year century "___;" (BCD) set
// the clock and have no reply; a frame with a value that is not valid BCD or out
// of range is ignored whole. Unknown commands are ignored. A frame that does not
// end in ";" is dropped and the search for "=" starts again at its second byte.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/fixedformats.h"
#include "sim/simdeviceline.h"
#include "sim/simfieldmodel.h"
#include "sim/siminstrumentclock.h"

namespace kordel {

enum class InstrumentMode { Off, Total, Var, Comp, Record };
enum class SaveTarget { Pc, PcFlash };

struct InstrumentSettings {
    InstrumentMode mode = InstrumentMode::Total;
    int averageSeconds = 1;  // 0..255, reported in the status reply
    bool gps = false;
    SaveTarget saveTarget = SaveTarget::Pc;
    int sampleIntervalMs = 1000;  // time between two device lines, at least 1
};

// Defects put into what the instrument sends, for tests and demonstrations.
// A count of 0 switches that defect off.
struct SimFaults {
    int dropByteEvery = 0;  // every N-th byte of the line stream is not sent
    int addByteEvery = 0;   // after every N-th byte of the line stream, one more ("*")
    int badLineEvery = 0;   // every N-th line is invalid: day 32, hour 24, a blank
                            // after a value, in turn
    bool shortReplies = false;  // every reply stops 3 bytes short
};

inline constexpr int kStatusReplyLength = 11;
inline constexpr int kDateTimeReplyLength = 8;
inline constexpr int kCommandLength = 8;
inline constexpr int kShortReplyMissing = 3;

std::uint8_t toBcd(int value);                 // 0..99
int fromBcd(std::uint8_t b);                   // -1 when a digit is not 0..9
std::uint8_t modeByte(InstrumentMode mode);
std::string statusReply(const InstrumentSettings& s, char commandCharacter = 'S');
std::string dateTimeReply(const CivilDateTime& t);

class SimulatedInstrument {
public:
    SimulatedInstrument(const InstrumentSettings& settings, const CivilDateTime& clockStart,
                        const SimFaults& faults = {}, std::uint64_t seed = 5);

    // Command bytes from the computer, in chunks of any size; returns the bytes
    // of the replies they complete (empty when none).
    std::string feed(std::string_view bytes);

    const InstrumentSettings& settings() const { return settings_; }
    const InstrumentClock& clock() const { return clock_; }
    // Moves the clock on by `ms` (negative steps are ignored).
    void advanceClock(std::int64_t ms) { clock_.advance(ms); }

    bool streaming() const { return settings_.mode != InstrumentMode::Off; }

    // Milliseconds of the instrument's clock until the next sample is due; 0 when
    // it is due now. Samples fall on whole multiples of the sample interval of
    // the clock (on whole seconds at 1 per second).
    std::int64_t msUntilSample() const;

    // The device line of the sample that is due, stamped with the clock's time,
    // with the faults applied; empty when no sample is due or the mode is OFF.
    // A sample missed because the clock jumped past it is not made up.
    std::string takeDueLine();

    // Device lines produced so far.
    long long linesMade() const { return linesMade_; }

private:
    std::string handleCommand(const std::string& frame);
    std::string shortened(std::string reply) const;
    void scheduleFromNow();
    LineFault nextLineFault();
    std::string withByteFaults(const std::string& line);

    InstrumentSettings settings_;
    SimFaults faults_;
    InstrumentClock clock_;
    FieldModel field_;
    std::string pending_;  // the command frame being received
    std::int64_t nextSampleMs_ = 0;
    long long linesMade_ = 0;
    long long badLinesMade_ = 0;
    long long streamBytes_ = 0;
};

}  // namespace kordel
