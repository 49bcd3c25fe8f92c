// A station's activity message as the watcher reads it: what reads, and what
// is refused with which reason.

#include "net/activitymessage.h"

#include <gtest/gtest.h>

namespace kordel {
namespace {

// 8 December 2026 13:45 UT in ms since 30 December 1899.
constexpr std::int64_t kAt = (46'364LL * 1440 + 13 * 60 + 45) * 60'000;

TEST(ActivityMessage, GoodPayloads) {
    const struct {
        const char* json;
        std::optional<int> k;
        bool provisional;
        std::optional<ActivityLevel> level;
        std::optional<double> dbdt;
        std::optional<AlertKind> alert;
    } cases[] = {
        {R"({"time":"2026-12-08T13:45:00Z","station":"ABC","k":5,"provisional":true,"level":"amber","dbdt_max_10min":12.5,"alert":"level"})",
         5, true, ActivityLevel::Amber, 12.5, AlertKind::Level},
        {R"({"time":"2026-12-08T13:45:00Z","station":"ABC","k":null,"provisional":false,"level":null,"dbdt_max_10min":null,"alert":null})",
         std::nullopt, false, std::nullopt, std::nullopt, std::nullopt},
        // Only the time is needed; unknown fields are left alone.
        {R"({"time":"2026-12-08T13:45:00Z","extra":[1,2]})", std::nullopt, false, std::nullopt, std::nullopt,
         std::nullopt},
        {R"({"time":"2026-12-08T14:45:00+01:00","k":0,"alert":"dead"})", 0, false, std::nullopt, std::nullopt,
         AlertKind::Dead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        QString why;
        const auto a = decodeStationActivity(QByteArray(c.json), &why);
        ASSERT_TRUE(a) << why.toStdString();
        EXPECT_EQ(a->timeMs, kAt);
        EXPECT_EQ(a->k, c.k);
        EXPECT_EQ(a->provisional, c.provisional);
        EXPECT_EQ(a->level, c.level);
        EXPECT_EQ(a->dbdtMax10MinNt, c.dbdt);
        EXPECT_EQ(a->alert, c.alert);
    }
}

TEST(ActivityMessage, BadPayloadsAreRefusedWithTheirReason) {
    const struct {
        QByteArray payload;
        const char* why;
    } cases[] = {
        {QByteArray(R"({"time":"2026-12-08T13:45:00Z","pad":")") + QByteArray(1000, 'x') + "\"}",
         "1040 bytes, more than 1024"},
        {"", "not JSON: illegal value"},
        {"{\"time\":", "not JSON: unterminated object"},
        {"[1,2]", "not a JSON object"},
        {R"({"k":5})", "no time"},
        {R"({"time":12})", "no time"},
        {R"({"time":"yesterday"})", "time not ISO 8601 UT"},
        {R"({"time":"2026-12-08T13:45:00"})", "time not ISO 8601 UT"},
        {R"({"time":"2026-12-08T13:45:00Z","k":10})", "k not 0 to 9"},
        {R"({"time":"2026-12-08T13:45:00Z","k":-1})", "k not 0 to 9"},
        {R"({"time":"2026-12-08T13:45:00Z","k":4.5})", "k not 0 to 9"},
        {R"({"time":"2026-12-08T13:45:00Z","k":"5"})", "k not a number"},
        {R"({"time":"2026-12-08T13:45:00Z","provisional":"yes"})", "provisional not true or false"},
        {R"({"time":"2026-12-08T13:45:00Z","level":"purple"})", "unknown level"},
        {R"({"time":"2026-12-08T13:45:00Z","level":3})", "level not a name"},
        {R"({"time":"2026-12-08T13:45:00Z","dbdt_max_10min":"fast"})", "dbdt_max_10min not a number"},
        {R"({"time":"2026-12-08T13:45:00Z","alert":"fire"})", "unknown alert"},
        {R"({"time":"2026-12-08T13:45:00Z","station":7})", "station not a string"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload.left(80).toStdString());
        QString why;
        EXPECT_FALSE(decodeStationActivity(c.payload, &why));
        EXPECT_EQ(why.toStdString(), c.why);
    }
}

TEST(ActivityMessage, Topic) { EXPECT_EQ(activityTopic("ABC"), "kordel/ABC/activity"); }

}  // namespace
}  // namespace kordel
