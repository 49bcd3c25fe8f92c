#pragma once
// CSV (RFC 4180: comma separated, CR LF after every record, a field quoted
// when it holds a comma, a quote or a line break): a header "time," + the
// channel names, then per sample the time in ISO 8601 UT with milliseconds
// ("2007-05-15T12:30:00.000Z") and the values with their channel's decimals;
// a missing value is an empty field.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/iaga2002.h"
#include "record/record.h"

namespace kordel {

// "2007-05-15T12:30:00.000Z"
std::string isoUtcText(std::int64_t timeMs);
// A field as RFC 4180 wants it: quoted, inner quotes doubled, when needed.
std::string csvField(std::string_view text);

IoStatus writeCsv(const Record& record, std::size_t first, std::size_t last, const std::vector<std::size_t>& channels,
                  const TextSink& sink);

}  // namespace kordel
