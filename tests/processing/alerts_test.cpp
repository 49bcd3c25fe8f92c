// Alerts once per change of state; the message and the command's environment.

#include "processing/alerts.h"

#include <gtest/gtest.h>

#include "processing/activityreport.h"

namespace kordel {
namespace {

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kT0 = 45'000LL * 86'400'000 + 13 * 3'600'000 + 45 * kMinute;  // 2023-03-15 13:45 UT

TEST(Alerts, EachFiresOnceWhenItsStateChangesAndAgainOnlyAfterItCleared) {
    using A = AlertKind;
    const auto amber = ActivityLevel::Amber, red = ActivityLevel::Red, yellow = ActivityLevel::Yellow;
    const struct {
        std::int64_t minute;
        std::optional<int> k;
        std::optional<ActivityLevel> level;
        std::int64_t lastLineMinute;
        std::vector<AlertKind> raised;
    } steps[] = {
        {0, 3, yellow, 0, {}},
        {1, 5, yellow, 1, {A::K}},          // K reaches 5
        {2, 5, yellow, 2, {}},              // still 5: nothing more
        {3, 6, amber, 3, {A::Level}},       // K higher still, but the same state
        {4, 6, red, 4, {}},                 // amber to red: still at or above amber
        {5, 4, red, 5, {}},                 // K clears
        {6, std::nullopt, red, 6, {}},      // K unknown: cleared too
        {7, 5, red, 7, {A::K}},             // … so it fires again
        {12, 5, red, 7, {A::Dead}},         // five minutes without a line
        {20, 5, red, 7, {}},
        {21, 5, yellow, 21, {}},            // a line: dead and level clear
        {22, 5, amber, 22, {A::Level}},
        {30, 5, amber, 25, {A::Dead}},
    };
    AlertMonitor monitor({5, ActivityLevel::Amber, 5});
    for (const auto& s : steps) {
        ActivityNow now;
        now.timeMs = kT0 + s.minute * kMinute;
        now.k = s.k;
        now.level = s.level;
        now.lastValidLineMs = kT0 + s.lastLineMinute * kMinute;
        EXPECT_EQ(monitor.update(now), s.raised) << "minute " << s.minute;
    }
}

TEST(Alerts, AFeedThatNeverStartedIsDeadAfterTheSetMinutes) {
    AlertMonitor monitor({5, ActivityLevel::Red, 3});
    ActivityNow now;
    now.timeMs = kT0;
    EXPECT_TRUE(monitor.update(now).empty());
    now.timeMs = kT0 + 3 * kMinute;
    EXPECT_EQ(monitor.update(now), std::vector<AlertKind>{AlertKind::Dead});
}

TEST(Alerts, MessageAndEnvironmentCarryTheSameNames) {
    ActivityNow now;
    now.timeMs = kT0 + 59'999;
    now.k = 6;
    now.provisional = true;
    now.level = ActivityLevel::Amber;
    now.dbdtMax10MinNt = 12.345;
    EXPECT_EQ(activityMessage(now, "HUT", AlertKind::Level),
              "{\"time\":\"2023-03-15T13:45:59Z\",\"station\":\"HUT\",\"k\":6,\"provisional\":true,"
              "\"level\":\"amber\",\"dbdt_max_10min\":12.3,\"alert\":\"level\"}");
    const std::vector<std::pair<std::string, std::string>> env = {
        {"KORDEL_ALERT", "level"}, {"KORDEL_STATION", "HUT"}, {"KORDEL_TIME", "2023-03-15T13:45:59Z"},
        {"KORDEL_K", "6"},         {"KORDEL_LEVEL", "amber"}, {"KORDEL_DBDT", "12.3"}};
    EXPECT_EQ(alertEnvironment(now, "HUT", AlertKind::Level), env);

    ActivityNow unknown;
    unknown.timeMs = kT0;
    EXPECT_EQ(activityMessage(unknown, "a\"b", std::nullopt),
              "{\"time\":\"2023-03-15T13:45:00Z\",\"station\":\"a\\\"b\",\"k\":null,\"provisional\":false,"
              "\"level\":null,\"dbdt_max_10min\":null,\"alert\":null}");
    const auto e = alertEnvironment(unknown, "HUT", AlertKind::Dead);
    EXPECT_EQ(e[0].second, "dead");
    EXPECT_EQ(e[3].second, "");
    EXPECT_EQ(e[5].second, "");
}

TEST(ActivityReport, TextCsvAndJson) {
    KDay full;
    full.day = 45'000;
    for (std::size_t j = 0; j < 8; ++j) full.k[j] = {KValue::Status::Final, static_cast<int>(j % 4)};
    full.sum = 12;
    KDay today;
    today.day = 45'001;
    today.k[0] = {KValue::Status::Final, 2};
    today.k[1] = {KValue::Status::Missing, 0};
    today.k[2] = {KValue::Status::Provisional, 5};
    std::vector<HourlyActivity> hours;
    for (std::int64_t h = 0; h < 48; ++h) hours.push_back({45'000 * 24 + h, std::nullopt, std::nullopt});
    hours[1] = {45'000 * 24 + 1, 12.25, ActivityLevel::Green};
    hours[24 + 7] = {45'001 * 24 + 7, 120.0, ActivityLevel::Amber};

    EXPECT_EQ(activityReport({full, today}, hours, ActivityFormat::Text),
              "2023-03-15  0 1 2 3 0 1 2 3  12\n"
              "2023-03-16  2 - 5* - - - - -  -\n");
    const std::string csv = activityReport({full, today}, hours, ActivityFormat::Csv);
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "date,k_00,k_03,k_06,k_09,k_12,k_15,k_18,k_21,sum_k,provisional,level_00,level_01,level_02,level_03,"
              "level_04,level_05,level_06,level_07,level_08,level_09,level_10,level_11,level_12,level_13,level_14,"
              "level_15,level_16,level_17,level_18,level_19,level_20,level_21,level_22,level_23");
    EXPECT_NE(csv.find("\n2023-03-15,0,1,2,3,0,1,2,3,12,,,green,,,,,,,,,,,,,,,,,,,,,,\n"), std::string::npos);
    EXPECT_NE(csv.find("\n2023-03-16,2,,5,,,,,,,k_06,,,,,,,,amber,,,,,,,,,,,,,,,,\n"), std::string::npos);
    const std::string json = activityReport({today}, hours, ActivityFormat::Json);
    EXPECT_EQ(json,
              "{\"days\":[\n"
              "{\"date\":\"2023-03-16\",\"k\":[2,null,5,null,null,null,null,null],"
              "\"provisional\":[false,false,true,false,false,false,false,false],\"sum_k\":null,"
              "\"sum_k_provisional\":false,\"disturbance_nt\":[null,null,null,null,null,null,null,120.0,null,null,"
              "null,null,null,null,null,null,null,null,null,null,null,null,null,null],\"level\":[null,null,null,null,"
              "null,null,null,\"amber\",null,null,null,null,null,null,null,null,null,null,null,null,null,null,null,"
              "null]}\n]}\n");
}

}  // namespace
}  // namespace kordel
