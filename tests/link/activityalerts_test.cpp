// The station recorder's activity options, the alert command (its words, its
// environment, failures logged once, the time limit) and the feed's line times.

#include <gtest/gtest.h>

#include <QCommandLineParser>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "app/programcommandline.h"
#include "link/activityfeed.h"
#include "link/activityoptions.h"
#include "link/alertcommand.h"
#include "testsupport.h"

namespace kordel {
namespace {

struct Parsed {
    QString error;
    StationActivityOptions options;
};

Parsed parse(const QStringList& args) {
    ProgramCommandLine cli(QStringLiteral("kordel-record"), QStringLiteral("test"), {});
    addStationActivityOptions(cli);
    Parsed out;
    EXPECT_FALSE(cli.parseOrExit(QStringList{QStringLiteral("kordel-record")} + args).has_value());
    out.error = readStationActivityOptions(cli.parser(), out.options);
    return out;
}

TEST(StationActivityOptions, DefaultsAndValuesThatRead) {
    const Parsed d = parse({});
    ASSERT_EQ(d.error, QString());
    EXPECT_EQ(d.options.settings.alerts.k, 5);
    EXPECT_EQ(d.options.settings.alerts.level, ActivityLevel::Amber);
    EXPECT_EQ(d.options.settings.alerts.deadMinutes, 5);
    EXPECT_EQ(d.options.settings.k.k9LowerLimitNt, 500);
    EXPECT_EQ(d.options.settings.k.longitudeDeg, 0);
    EXPECT_EQ(d.options.settings.levels.yellowNt, 50);
    EXPECT_EQ(d.options.settings.levels.amberNt, 100);
    EXPECT_EQ(d.options.settings.levels.redNt, 200);
    EXPECT_EQ(d.options.utcOffsetMs, 0);
    EXPECT_TRUE(d.options.alertCommand.isEmpty());

    const Parsed s = parse({"--alert-k", "0", "--alert-level", "red", "--alert-dead-minutes", "1440", "--k9", "750",
                            "--longitude", "-20.5", "--levels", "40,80.5,300", "--utc-offset", "+02:00",
                            "--alert-command", "sh -c 'echo \"$KORDEL_K\"' x"});
    ASSERT_EQ(s.error, QString());
    EXPECT_EQ(s.options.settings.alerts.k, 0);
    EXPECT_EQ(s.options.settings.alerts.level, ActivityLevel::Red);
    EXPECT_EQ(s.options.settings.alerts.deadMinutes, 1440);
    EXPECT_EQ(s.options.settings.k.k9LowerLimitNt, 750);
    EXPECT_EQ(s.options.settings.k.longitudeDeg, -20.5);
    EXPECT_EQ(s.options.settings.levels.amberNt, 80.5);
    EXPECT_EQ(s.options.settings.levels.redNt, 300);
    EXPECT_EQ(s.options.utcOffsetMs, 7'200'000);
    EXPECT_EQ(s.options.alertCommand, (QStringList{"sh", "-c", "echo \"$KORDEL_K\"", "x"}));
}

TEST(StationActivityOptions, BadValuesAreUsageErrorsNamingTheOption) {
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    test::writeFile(plain, "#!/bin/sh\n");
    QFile::setPermissions(plain, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const struct {
        QStringList args;
        std::string error;
    } cases[] = {
        {{"--alert-k", "10"}, "--alert-k needs a K from 0 to 9"},
        {{"--alert-k", "-1"}, "--alert-k needs a K from 0 to 9"},
        {{"--alert-k", "5.0"}, "--alert-k needs a K from 0 to 9"},
        {{"--alert-k", ""}, "--alert-k needs a K from 0 to 9"},
        {{"--alert-level", "yellow"}, "--alert-level must be amber or red"},
        {{"--alert-level", "Amber"}, "--alert-level must be amber or red"},
        {{"--alert-dead-minutes", "0"}, "--alert-dead-minutes needs whole minutes from 1 to 1440"},
        {{"--alert-dead-minutes", "1441"}, "--alert-dead-minutes needs whole minutes from 1 to 1440"},
        {{"--alert-dead-minutes", "2m"}, "--alert-dead-minutes needs whole minutes from 1 to 1440"},
        {{"--k9", "0"}, "--k9 needs a number of nT above 0"},
        {{"--k9", "abc"}, "--k9 needs a number of nT above 0"},
        {{"--longitude", "400"}, "--longitude needs degrees between -360 and 360"},
        {{"--levels", "50,100"}, "--levels needs three rising numbers of nT, e.g. 50,100,200"},
        {{"--levels", "100,50,200"}, "--levels needs three rising numbers of nT, e.g. 50,100,200"},
        {{"--utc-offset", "2"}, "--utc-offset needs +HH:MM or -HH:MM"},
        {{"--alert-command", ""}, "--alert-command holds no program (or a quote that is not closed)"},
        {{"--alert-command", "sh -c 'echo"}, "--alert-command holds no program (or a quote that is not closed)"},
        {{"--alert-command", "kordel-no-such-program-here"},
         "--alert-command kordel-no-such-program-here is not a program on PATH"},
        {{"--alert-command", "/nonexistent/alert"}, "--alert-command /nonexistent/alert is not a file"},
        {{"--alert-command", plain}, "--alert-command " + plain.toStdString() + " is not executable"},
    };
    for (const auto& c : cases) EXPECT_EQ(parse(c.args).error.toStdString(), c.error) << c.args.join(' ').toStdString();
}

TEST(AlertCommand, WordsSplitAtBlanksWithQuotesKeptTogether) {
    const struct {
        const char* line;
        QStringList words;
    } cases[] = {
        {"notify", {"notify"}},
        {"  /usr/bin/notify   -u  critical ", {"/usr/bin/notify", "-u", "critical"}},
        {"sh -c 'echo \"$KORDEL_LEVEL\" >> /tmp/a b'", {"sh", "-c", "echo \"$KORDEL_LEVEL\" >> /tmp/a b"}},
        {"say \"K is\"' high' ''", {"say", "K is high", ""}},
        {"tab\tseparated", {"tab", "separated"}},
        {"", {}},
        {"open 'quote", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(AlertCommand::splitCommandLine(QString::fromUtf8(c.line)), c.words) << c.line;
}

std::vector<std::pair<std::string, std::string>> environmentWithK(const std::string& k) {
    return {{"KORDEL_ALERT", "k"},          {"KORDEL_STATION", "ST1"}, {"KORDEL_TIME", "2026-12-08T13:45:00Z"},
            {"KORDEL_K", k},                {"KORDEL_LEVEL", "amber"}, {"KORDEL_DBDT", "12.3"}};
}

TEST(AlertCommand, RunsWithTheAlertInItsEnvironment) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("env"));
    std::vector<std::string> log;
    AlertCommand command({"/bin/sh", "-c", "env > \"$1\"", "sh", file}, [&log](const std::string& t) { log.push_back(t); });
    int ended = 0;
    bool ok = false;
    QObject::connect(&command, &AlertCommand::ended, [&](bool good) {
        ++ended;
        ok = good;
    });
    command.run(environmentWithK("6"));
    ASSERT_TRUE(test::waitUntil([&] { return ended == 1; }, 60000));
    EXPECT_TRUE(ok);
    EXPECT_EQ(command.running(), 0);
    QList<QByteArray> kordel;
    for (const QByteArray& line : test::readFile(file).split('\n')) {
        if (line.startsWith("KORDEL_")) kordel.append(line);
    }
    std::sort(kordel.begin(), kordel.end());
    EXPECT_EQ(kordel, (QList<QByteArray>{"KORDEL_ALERT=k", "KORDEL_DBDT=12.3", "KORDEL_K=6", "KORDEL_LEVEL=amber",
                                         "KORDEL_STATION=ST1", "KORDEL_TIME=2026-12-08T13:45:00Z"}));
    EXPECT_TRUE(log.empty());
}

TEST(AlertCommand, FailuresAreLoggedOnceUntilARunWentWell) {
    std::vector<std::string> log;
    // Fails unless K is 5.
    AlertCommand command({"sh", "-c", "test \"$KORDEL_K\" = 5"}, [&log](const std::string& t) { log.push_back(t); });
    int ended = 0;
    QObject::connect(&command, &AlertCommand::ended, [&](bool) { ++ended; });
    for (const char* k : {"4", "3", "5", "2"}) {
        const int before = ended;
        command.run(environmentWithK(k));
        ASSERT_TRUE(test::waitUntil([&] { return ended == before + 1; }, 60000)) << k;
    }
    EXPECT_EQ(log, (std::vector<std::string>{"Error: the alert command sh ended with status 1",
                                             "Error: the alert command sh ended with status 1"}));
}

TEST(AlertCommand, OneThatHangsIsEndedAfterItsTimeAndOneThatCannotStartIsLogged) {
    std::vector<std::string> log;
    AlertCommand hanging({"sleep", "60"}, [&log](const std::string& t) { log.push_back(t); }, 1000);
    bool ok = true;
    int ended = 0;
    QObject::connect(&hanging, &AlertCommand::ended, [&](bool good) {
        ++ended;
        ok = good;
    });
    hanging.run(environmentWithK("5"));
    EXPECT_EQ(hanging.running(), 1);  // run() returned at once
    ASSERT_TRUE(test::waitUntil([&] { return ended == 1; }, 60000));
    EXPECT_FALSE(ok);
    EXPECT_EQ(log, std::vector<std::string>{"Error: the alert command sleep did not end within 1 s and was ended"});

    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("gone"));
    AlertCommand gone({script}, [&log](const std::string& t) { log.push_back(t); });
    QObject::connect(&gone, &AlertCommand::ended, [&](bool) { ++ended; });
    gone.run(environmentWithK("5"));
    ASSERT_TRUE(test::waitUntil([&] { return ended == 2; }, 60000));
    ASSERT_EQ(log.size(), 2U);
    EXPECT_EQ(log[1].rfind("Error: the alert command " + script.toStdString() + " could not be started (", 0), 0U)
        << log[1];
}

TEST(ActivityFeed, LineTimesFromTheDailyFileNameAndTheLinesDayInUt) {
    const std::int64_t day20261208 = 46'364;
    const auto sample = [](int day, int h, int m, int s) {
        DecodedSample d;
        d.day = static_cast<std::uint8_t>(day);
        d.hour = static_cast<std::uint16_t>(h);
        d.minute = static_cast<std::uint16_t>(m);
        d.second = static_cast<std::uint16_t>(s);
        return d;
    };
    const struct {
        const char* file;
        DecodedSample line;
        std::int64_t offsetMs;
        std::optional<std::int64_t> timeMs;
    } cases[] = {
        {"20261208000000.pc", sample(8, 13, 45, 30), 0, day20261208 * 86'400'000 + 49'530'000},
        {"20261208000000.pc", sample(8, 1, 0, 0), 7'200'000, (day20261208 - 1) * 86'400'000 + 82'800'000},
        {"20261231235959.pc", sample(31, 23, 59, 59), 0, (day20261208 + 23) * 86'400'000 + 86'399'000},
        {"20260228000000.pc", sample(29, 0, 0, 0), 0, std::nullopt},  // no 29 February in 2026
        {"", sample(8, 0, 0, 0), 0, std::nullopt},                     // before the first daily file
        {"2026xx08000000.pc", sample(8, 0, 0, 0), 0, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ActivityFeed::sampleTimeMs(c.file, c.line, c.offsetMs), c.timeMs) << c.file;
}

}  // namespace
}  // namespace kordel
