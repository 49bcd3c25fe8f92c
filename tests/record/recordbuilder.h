#pragma once
// Small records for the tests: samples given as (seconds after a fixed midnight, values).

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "app/fixedformats.h"
#include "record/record.h"

namespace kordel::test {

// 15 May 2007 00:00 in ms since the date-time epoch.
inline std::int64_t midnightMs() { return static_cast<std::int64_t>(toDateNumber(2007, 5, 15)) * 86'400'000; }

inline Record recordOf(std::initializer_list<std::pair<std::int64_t, std::int32_t>> msAndValue) {
    Record r({{"V", "nT", 2}});
    for (const auto& [ms, v] : msAndValue) {
        const std::int32_t raw[1] = {v};
        r.append(midnightMs() + ms, raw);
    }
    r.finish();
    return r;
}

}  // namespace kordel::test
