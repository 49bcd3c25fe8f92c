// Date-time axis labels: the format follows the span; the date appears across midnight.

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
         {"10:00:00", "10:02:00", "10:04:00", "10:06:00", "10:08:00", "10:10:00"}},
        {"ten seconds in tenths", at(15, 12, 0, 0), at(15, 12, 0, 10), 6,
         {"12:00:00.0", "12:00:02.0", "12:00:04.0", "12:00:06.0", "12:00:08.0", "12:00:10.0"}},
        {"a second", at(15, 12, 0, 0) + 0.05 / 86400, at(15, 12, 0, 1), 4,
         {"12:00:00.5", "12:00:01.0"}},
        {"fifteen seconds across midnight", at(14, 23, 59, 50), at(15, 0, 0, 5), 8,
         {"14/05/2007\n23:59:50.0", "14/05/2007\n23:59:52.0", "14/05/2007\n23:59:54.0", "14/05/2007\n23:59:56.0",
          "14/05/2007\n23:59:58.0", "15/05/2007\n00:00:00.0", "15/05/2007\n00:00:02.0", "15/05/2007\n00:00:04.0"}},
        {"a night", at(15, 20, 0, 0), at(16, 4, 0, 0), 5,
         {"15/05/2007\n20:00", "15/05/2007\n22:00", "16/05/2007\n00:00", "16/05/2007\n02:00", "16/05/2007\n04:00"}},
        {"a week, no seconds", at(15, 0, 0, 0), at(22, 0, 0, 0), 8,
         {"15/05/2007", "16/05/2007", "17/05/2007", "18/05/2007", "19/05/2007", "20/05/2007", "21/05/2007",
          "22/05/2007"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> labels;
        for (const auto& t : timeAxisTicks(c.from, c.to, c.maxTicks).ticks) labels.push_back(t.label);
        EXPECT_EQ(labels, c.labels) << c.what;
    }
}

}  // namespace
}  // namespace kordel
