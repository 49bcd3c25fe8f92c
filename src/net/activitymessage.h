#pragma once
// Reading a station's retained kordel/<CODE>/activity message (the JSON
// processing/alerts.h writes: time, station, k, provisional, level,
// dbdt_max_10min, alert) as the program shows it while watching.
//
// What comes from the network is not trusted: a message over kMaxBytes is
// not parsed; a message that is not one JSON object, has no readable `time`
// (ISO 8601 UT), a K outside 0–9 or not a whole number, an unknown level or
// alert name, or a value of the wrong type is refused with the reason. Fields
// this reader does not know are left alone, so that a newer station still
// reads.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "processing/alerts.h"

namespace kordel {

struct StationActivity {
    std::int64_t timeMs = 0;  // UT, ms since 30 December 1899
    std::string station;
    std::optional<int> k;
    bool provisional = false;
    std::optional<ActivityLevel> level;
    std::optional<double> dbdtMax10MinNt;
    std::optional<AlertKind> alert;
};

inline constexpr int kMaxActivityMessageBytes = 1024;

// The message, or none with `why` saying what is wrong with it.
std::optional<StationActivity> decodeStationActivity(const QByteArray& payload, QString* why = nullptr);

// The topic "kordel/<CODE>/activity".
std::string activityTopic(std::string_view code);

}  // namespace kordel
