// The reply collector over any bytes in any receive events: the count, the
// outcome and the log entry of every event follow the reply's length, the
// buffer holds the bytes collected, and a complete reply decodes.
#include <fuzzer/FuzzedDataProvider.h>

#include "app/fixedformats.h"
#include "fuzzsupport.h"
#include "link/replycollector.h"

using namespace kordel;
using Outcome = CollectResult::Outcome;

namespace {

std::string expectedLog(ReplyKind kind, std::string_view bytes, unsigned count) {
    std::string hex;
    for (const char c : bytes) hex += HexByte(static_cast<std::uint8_t>(c)) + " ";
    const char* lead = kind == ReplyKind::DateTime ? "From Kordel: Datetime= " : "From Kordel: ";
    const char* name = kind == ReplyKind::DateTime ? "i51" : kind == ReplyKind::SaveTarget ? "i82" : "i83";
    return lead + hex + ", " + name + "=" + std::to_string(count);
}

bool oneOf(const std::string& s, std::initializer_list<const char*> texts) {
    for (const char* t : texts) {
        if (s == t) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ReplyCollector collector;
    ReplyBuffer shadow{};
    std::uint16_t count = 0;
    auto kind = ReplyKind::Status;
    while (input.remaining_bytes() > 0) {
        const auto op = input.ConsumeIntegral<std::uint8_t>();
        if (op >= 0xF0) {  // a command starts another reply
            kind = static_cast<ReplyKind>(op % 3);
            count = 0;
            continue;
        }
        const std::string bytes = input.ConsumeBytesAsString(op % 14 + 1u);
        if (bytes.empty()) break;
        const unsigned before = count;
        const unsigned length = replyLength(kind);
        const CollectResult r = collector.collect(kind, count, bytes);
        const unsigned k = before + static_cast<unsigned>(bytes.size());
        if (k > kReplyBufferSize) {
            FUZZ_CHECK(r.outcome == Outcome::Overrun && r.logText.empty() && count == before);
            for (unsigned i = before; i < kReplyBufferSize; ++i) shadow[i] = static_cast<std::uint8_t>(bytes[i - before]);
            FUZZ_CHECK(collector.buffer() == shadow);
            count = 0;  // the wait is over; the next reply starts afresh
            continue;
        }
        for (unsigned i = before; i < k; ++i) shadow[i] = static_cast<std::uint8_t>(bytes[i - before]);
        FUZZ_CHECK(collector.buffer() == shadow);
        FUZZ_CHECK(r.logText == expectedLog(kind, bytes, k));
        if (k < length) {
            FUZZ_CHECK(r.outcome == Outcome::Waiting && count == k);
        } else {
            FUZZ_CHECK(r.outcome == (k == length ? Outcome::Complete : Outcome::TooLong) && count == 0);
        }
        if (r.outcome != Outcome::Complete) continue;
        if (kind == ReplyKind::DateTime) {
            const std::string t = dateTimeText(collector);
            FUZZ_CHECK(t.size() == 20 && t[4] == '-' && t[7] == '-' && t.substr(10, 2) == "  " && t[14] == ':');
        } else {
            const StatusInfo s = decodeStatus(collector);
            FUZZ_CHECK(oneOf(s.modeText, {"Mode OFF", "Mode Total", "Mode Var", "Mode Comp", "Mode Record"}));
            FUZZ_CHECK(s.averageText == "Average =" + std::to_string(collector.byte(7)));
            FUZZ_CHECK(s.gpsText == (collector.byte(10) == 1 ? "GPS is on." : "GPS is off."));
        }
    }
    return 0;
}
