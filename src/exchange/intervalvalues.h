#pragma once
// The values an export writes at a chosen interval, made one UT day at a time
// so that the cost follows the samples, not the time they span: only the UT
// days that hold a selected sample get values, each of them whole (its missing
// intervals included, as 99999.00 in a file), and a day's values are made
// when it is written and dropped after.
//
// Standard values (the default) are those observatories exchange: one-second
// values by the one-second filter, one-minute values by INTERMAGNET's
// Gaussian filter, both stamped at their centre; hourly means of the minutes
// 00–59 stamped HH:29:30 and daily means stamped 11:59:30 (src/processing).
// Plain means (ExportFilter::Mean) are box averages of the samples of each
// second or minute, stamped at the box's start.
//
// Cost per day: the day's samples and 70 s on either side are read once and
// their times copied; its values are held as a record of the input's
// channels (at most 86,400 rows).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record/record.h"

namespace kordel {

enum class ExportInterval { Native, Second, Minute, Hour, Day };
enum class ExportFilter { Standard, Mean };

// Spacing of the values of an interval in ms (0 for Native).
std::int64_t intervalLengthMs(ExportInterval interval);

class IntervalValues {
public:
    // Samples [first, last) of a finished record; values only for intervals
    // whose start lies in [fromMs, toMs) when those are given.
    IntervalValues(const Record& record, std::size_t first, std::size_t last, ExportInterval interval,
                   ExportFilter filter, std::optional<std::int64_t> fromMs, std::optional<std::int64_t> toMs);

    // UT days (days since the date-time epoch) of the selected samples in
    // [first, last), ascending.
    std::vector<std::int64_t> daysHoldingSamples(std::size_t first, std::size_t last) const;
    // The values of one UT day, with the record's channels and decimals;
    // those of `channels` made, the others left missing.
    Record valuesOfDay(std::int64_t day, const std::vector<std::size_t>& channels) const;

    // "Data Interval Type" of IAGA-2002: "filtered 1-minute (00:15-01:45)", …
    std::string intervalType() const;
    // What a header comment says of the method; empty for plain means.
    std::string methodText() const;

private:
    const Record& record_;
    std::size_t first_, last_;
    ExportInterval interval_;
    ExportFilter filter_;
    std::int64_t fromMs_, toMs_;
};

}  // namespace kordel
