// Date-time axis labels: the format follows the span; the ISO date appears across midnight.

#include <gtest/gtest.h>

#include "app/fixedformats.h"
#include "record/timeaxis.h"

namespace kordel {
namespace {

double at(int day, int h, int m, int s) { return toDateNumber(2007, 5, day) + toTimeNumber(h, m, s); }

TEST(TimeAxis, LabelsFollowTheSpanAndCarryTheDateAcrossMidnight) {
    struct Case {
        const char* what;
        double from, to;
        int maxTicks;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases{
        {"ten minutes", at(15, 10, 0, 0), at(15, 10, 10, 0), 6,
         {"2007-05-15\n10:00:00", "10:02:00", "10:04:00", "10:06:00", "10:08:00", "10:10:00"}},
        {"ten seconds in tenths", at(15, 12, 0, 0), at(15, 12, 0, 10), 6,
         {"2007-05-15\n12:00:00.0", "12:00:02.0", "12:00:04.0", "12:00:06.0", "12:00:08.0", "12:00:10.0"}},
        {"a second", at(15, 12, 0, 0) + 0.05 / 86400, at(15, 12, 0, 1), 4,
         {"2007-05-15\n12:00:00.5", "12:00:01.0"}},
        {"an hour from midnight", at(15, 0, 0, 0), at(15, 1, 0, 0), 3,
         {"2007-05-15\n00:00:00", "00:30:00", "01:00:00"}},
        {"fifteen seconds across midnight", at(14, 23, 59, 50), at(15, 0, 0, 5), 8,
         {"2007-05-14\n23:59:50.0", "2007-05-14\n23:59:52.0", "2007-05-14\n23:59:54.0", "2007-05-14\n23:59:56.0",
          "2007-05-14\n23:59:58.0", "2007-05-15\n00:00:00.0", "2007-05-15\n00:00:02.0", "2007-05-15\n00:00:04.0"}},
        {"a night", at(15, 20, 0, 0), at(16, 4, 0, 0), 5,
         {"2007-05-15\n20:00", "2007-05-15\n22:00", "2007-05-16\n00:00", "2007-05-16\n02:00", "2007-05-16\n04:00"}},
        {"a week, no seconds", at(15, 0, 0, 0), at(22, 0, 0, 0), 8,
         {"2007-05-15", "2007-05-16", "2007-05-17", "2007-05-18", "2007-05-19", "2007-05-20", "2007-05-21",
          "2007-05-22"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> labels;
        for (const auto& t : timeAxisTicks(c.from, c.to, c.maxTicks).ticks) labels.push_back(t.label);
        EXPECT_EQ(labels, c.labels) << c.what;
    }
}

}  // namespace
}  // namespace kordel
