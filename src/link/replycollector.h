#pragma once
// The instrument's replies to the status, date-and-time and save-target
// commands. A reply has no framing of its own: it is recognised only by the
// command that is waiting for it and by its length (8 bytes for the date and
// time, 11 for the others). The bytes of each receive event are collected into
// one buffer that the three replies share and that is never cleared; each
// reply kind keeps its own count of bytes collected so far, owned by the
// caller (the command that starts a reply sets it to 0).
//
// A reply that would grow past the buffer (its twelfth byte) ends the wait
// silently: the rest of that event is dropped, nothing is logged and the count
// stays as it was, even when the same event had completed the reply.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kordel {

enum class ReplyKind { DateTime, SaveTarget, Status };

inline constexpr std::size_t kReplyBufferSize = 11;
using ReplyBuffer = std::array<std::uint8_t, kReplyBufferSize>;

// Bytes of a complete reply of `kind`.
std::uint16_t replyLength(ReplyKind kind);

struct CollectResult {
    enum class Outcome {
        Overrun,   // a twelfth byte: the wait is over, nothing logged
        Waiting,   // more bytes to come
        Complete,  // exactly the reply's length; the count is back at 0
        TooLong,   // a date and time of 9 to 11 bytes; the count is back at 0
    };
    Outcome outcome = Outcome::Waiting;
    // The event's log entry ("From Kordel: 0A 1F , i82=2"); empty on overrun.
    std::string logText;
};

class ReplyCollector {
public:
    // Collects the bytes of one receive event (at least one) for the reply of
    // `kind`, whose count so far is `count`.
    CollectResult collect(ReplyKind kind, std::uint16_t& count, std::string_view bytes);

    // Byte `n` of the buffer, counted from 1 as the replies are described.
    std::uint8_t byte(int n) const { return buffer_.at(static_cast<std::size_t>(n - 1)); }
    const ReplyBuffer& buffer() const { return buffer_; }

private:
    ReplyBuffer buffer_{};
};

// The date text of a complete date-and-time reply in the buffer:
// "2007-05-22  10:20:30" (two blanks before the time). Each BCD byte is shown
// as its two hexadecimal digits; only the low five bits of the month and the
// low six bits of the day are used.
std::string dateTimeText(const ReplyCollector& reply);

// True when every clock byte of the date-and-time reply in the buffer (bytes
// 2 to 8, month and day with their used bits) is BCD, two decimal digits. Any
// other 8 bytes (a piece of a device line, say) are not a date.
bool dateTimeIsBcd(const ReplyCollector& reply);

// What a complete status reply in the buffer says, with the texts the program
// logs and shows for it.
struct StatusInfo {
    bool gpsOn = false;
    std::uint8_t averageSeconds = 0;  // not BCD
    bool modeOff = true;
    bool saveToFlash = false;
    std::string gpsText;         // "GPS is on." / "GPS is off."
    std::string averageText;     // "Average =10"
    std::string modeText;        // "Mode OFF", "Mode Total", "Mode Var", "Mode Comp", "Mode Record"
    std::string saveTargetText;  // "Save data: PC" / "Save data: PC+Flash"
};

StatusInfo decodeStatus(const ReplyCollector& reply);

}  // namespace kordel
