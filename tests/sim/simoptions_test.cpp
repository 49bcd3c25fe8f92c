// The command line of kordel-sim.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/simoptions.h"

namespace kordel {
namespace {

TEST(SimOptions, Defaults) {
    const SimOptions o = parseSimOptions({});
    EXPECT_TRUE(o.problems.empty());
    EXPECT_EQ(o.instrument.mode, InstrumentMode::Total);
    EXPECT_FALSE(o.instrument.gps);
    EXPECT_EQ(o.instrument.averageSeconds, 1);
    EXPECT_EQ(o.instrument.saveTarget, SaveTarget::Pc);
    EXPECT_EQ(o.instrument.sampleIntervalMs, 1000);
    EXPECT_FALSE(o.start.has_value());
    EXPECT_FALSE(o.fast);
    EXPECT_TRUE(o.link.empty());
    EXPECT_FALSE(o.dump.has_value());
}

TEST(SimOptions, EveryInstrumentOption) {
    const SimOptions o = parseSimOptions({"--link", "/tmp/k5", "--rate=4", "--mode", "var", "--gps", "on",
                                          "--average", "10", "--start", "2007-05-22 10:20:30", "--fast",
                                          "--drop-byte-every", "100", "--add-byte-every=200",
                                          "--bad-line-every", "5", "--short-replies"});
    ASSERT_TRUE(o.problems.empty()) << o.problems.front();
    EXPECT_EQ(o.link, "/tmp/k5");
    EXPECT_EQ(o.instrument.mode, InstrumentMode::Var);
    EXPECT_TRUE(o.instrument.gps);
    EXPECT_EQ(o.instrument.averageSeconds, 10);
    EXPECT_EQ(o.instrument.sampleIntervalMs, 250) << "--rate wins over the averaging interval";
    ASSERT_TRUE(o.start.has_value());
    EXPECT_EQ(*o.start, (CivilDateTime{2007, 5, 22, 10, 20, 30, 0}));
    EXPECT_TRUE(o.fast);
    EXPECT_EQ(o.faults.dropByteEvery, 100);
    EXPECT_EQ(o.faults.addByteEvery, 200);
    EXPECT_EQ(o.faults.badLineEvery, 5);
    EXPECT_TRUE(o.faults.shortReplies);
}

TEST(SimOptions, ModesAndRates) {
    struct Case {
        std::vector<std::string> args;
        InstrumentMode mode;
        int intervalMs;
    };
    const std::vector<Case> cases = {
        {{"--mode", "off"}, InstrumentMode::Off, 1000},
        {{"--mode", "total"}, InstrumentMode::Total, 1000},
        {{"--mode", "comp"}, InstrumentMode::Comp, 1000},
        {{"--mode", "record"}, InstrumentMode::Record, 1000},
        {{"--average", "60"}, InstrumentMode::Total, 60000},
        {{"--average", "0"}, InstrumentMode::Total, 1000},
        {{"--rate", "0.5"}, InstrumentMode::Total, 2000},
        {{"--rate", "100"}, InstrumentMode::Total, 10},
    };
    for (const Case& c : cases) {
        const SimOptions o = parseSimOptions(c.args);
        EXPECT_TRUE(o.problems.empty()) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(o.instrument.mode, c.mode) << c.args[1];
        EXPECT_EQ(o.instrument.sampleIntervalMs, c.intervalMs) << c.args[1];
    }
}

TEST(SimOptions, ProblemsAreReported) {
    const std::vector<std::vector<std::string>> bad = {
        {"--mode", "fast"},
        {"--gps", "yes"},
        {"--average", "256"},
        {"--average", "-1"},
        {"--rate", "0"},
        {"--rate", "1,5"},
        {"--start", "2007-02-29 10:00:00"},
        {"--start", "2007-05-22 24:00:00"},
        {"--start", "22/05/2007 10:00:00"},
        {"--drop-byte-every", "x"},
        {"--link"},
        {"--fast=1"},
        {"--colour"},
        {"--blocks", "3"},
        {"--write-dump", "a.bin", "--bad-blocks", "3"},
        {"--write-dump", "a.bin", "--gap-at", "0"},
        {"--write-dump", "a.bin", "--start", "1999-12-31 23:00:00"},
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(parseSimOptions(args).problems.empty()) << args[0];
    }
}

TEST(SimOptions, DumpOptions) {
    const SimOptions o = parseSimOptions({"--write-dump", "k5.bin", "--blocks", "40", "--interval-code", "0",
                                          "--start", "2008-02-28 23:59:00", "--gap-at", "5", "--gap-seconds",
                                          "-600", "--bad-blocks", "10:3", "--erased-tail", "4"});
    ASSERT_TRUE(o.problems.empty()) << o.problems.front();
    ASSERT_TRUE(o.dump.has_value());
    EXPECT_EQ(o.dump->file, "k5.bin");
    EXPECT_EQ(o.dump->blocks, 40);
    EXPECT_EQ(o.dump->intervalCode, 0);
    EXPECT_EQ(o.dump->gapAt, 5);
    EXPECT_EQ(o.dump->gapSeconds, -600);
    EXPECT_EQ(o.dump->badBlocksFrom, 10);
    EXPECT_EQ(o.dump->badBlocks, 3);
    EXPECT_EQ(o.dump->erasedTail, 4);
    EXPECT_EQ(*o.start, (CivilDateTime{2008, 2, 28, 23, 59, 0, 0}));
}

}  // namespace
}  // namespace kordel
