// Under a decimal-comma locale (what QApplication puts in force from LANG on
// Unix) the C library reads "3.25" as 3 and writes 3,25. None of the program's
// formats may change.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/fixedformats.h"
#include "app/log/eventlog.h"

using namespace kordel;

TEST(Locale, FixedFormatsIgnoreADecimalCommaLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "the de_DE.UTF-8 locale is missing: scripts/deps generates it";
    // The locale really is in force for the C library…
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", 3.25);
    EXPECT_STREQ(buf, "3,25");
    EXPECT_EQ(std::strtod("3.25", nullptr), 3.0);
    // …and the program's conversions are untouched by it.
    EXPECT_EQ(formatFixed(3.25, 2), "3.25");
    EXPECT_EQ(formatFixedWidth(-20000.125, 2, 8), "-20000.13");
    EXPECT_EQ(formatGrouped(1234567.5, 2), "1 234 567.5");
    EXPECT_EQ(parseNumber("1.5"), 1.5);
    EXPECT_FALSE(parseNumber("1,5").has_value());
    EXPECT_EQ(EventLog::formatEntry({2007, 5, 22, 14, 5, 9, 0}, "Exit program"),
              "22/05/2007 14:05:09: Exit program\r\n");
    std::setlocale(LC_ALL, "C");
}
