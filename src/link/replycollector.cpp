#include "link/replycollector.h"

#include "app/fixedformats.h"

namespace kordel {

std::uint16_t replyLength(ReplyKind kind) { return kind == ReplyKind::DateTime ? 8 : 11; }

namespace {

// The log entry's lead and the name of the count it ends with, by reply kind.
std::string logText(ReplyKind kind, const std::string& bytesText, std::uint16_t count) {
    switch (kind) {
    case ReplyKind::DateTime:
        return "From Kordel: Datetime= " + bytesText + ", i51=" + std::to_string(count);
    case ReplyKind::SaveTarget:
        return "From Kordel: " + bytesText + ", i82=" + std::to_string(count);
    case ReplyKind::Status:
        break;
    }
    return "From Kordel: " + bytesText + ", i83=" + std::to_string(count);
}

}  // namespace

CollectResult ReplyCollector::collect(ReplyKind kind, std::uint16_t& count, std::string_view bytes) {
    CollectResult result;
    std::string text;
    text.reserve(bytes.size() * 3);
    std::size_t at = count;
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        text += HexByte(b);
        text += ' ';
        if (at >= kReplyBufferSize) {
            result.outcome = CollectResult::Outcome::Overrun;
            return result;
        }
        buffer_[at++] = b;
    }
    count = static_cast<std::uint16_t>(at);
    result.logText = logText(kind, text, count);
    const std::uint16_t length = replyLength(kind);
    if (count == length) {
        result.outcome = CollectResult::Outcome::Complete;
        count = 0;
    } else if (count > length) {
        result.outcome = CollectResult::Outcome::TooLong;
        count = 0;
    }
    return result;
}

std::string dateTimeText(const ReplyCollector& r) {
    return HexByte(r.byte(8)) + HexByte(r.byte(7)) + "-" + HexByte(r.byte(2) & 0x1F) + "-" +
           HexByte(r.byte(3) & 0x3F) + "  " + HexByte(r.byte(4)) + ":" + HexByte(r.byte(5)) + ":" +
           HexByte(r.byte(6));
}

bool dateTimeIsBcd(const ReplyCollector& r) {
    const auto bcd = [](std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; };
    return bcd(r.byte(2) & 0x1F) && bcd(r.byte(3) & 0x3F) && bcd(r.byte(4)) && bcd(r.byte(5)) &&
           bcd(r.byte(6)) && bcd(r.byte(7)) && bcd(r.byte(8));
}

StatusInfo decodeStatus(const ReplyCollector& r) {
    static const char* const kModes[] = {"Mode Total", "Mode Var", "Mode Comp", "Mode Record"};
    StatusInfo s;
    s.gpsOn = r.byte(10) == 1;
    s.averageSeconds = r.byte(7);
    s.modeOff = (r.byte(9) & 0x80) == 0;
    s.saveToFlash = r.byte(11) != 0;
    s.gpsText = s.gpsOn ? "GPS is on." : "GPS is off.";
    s.averageText = "Average =" + std::to_string(s.averageSeconds);
    s.modeText = s.modeOff ? "Mode OFF" : kModes[r.byte(9) & 0x03];
    s.saveTargetText = s.saveToFlash ? "Save data: PC+Flash" : "Save data: PC";
    return s;
}

}  // namespace kordel
