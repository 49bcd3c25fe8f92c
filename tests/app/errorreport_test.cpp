#include <gtest/gtest.h>

#include "app/errorreport.h"
#include "testsupport.h"

using namespace kordel;

TEST(ErrorReport, ShowsAfterTheHandlerReturnsAndDropsIdenticalReports) {
    test::FakeDialogs dialogs;
    ErrorReport& report = ErrorReport::instance();
    report.report(QStringLiteral("Cannot write /x: No space left on device"));
    report.report(QStringLiteral("Cannot write /x: No space left on device"));
    report.report(QStringLiteral("Cannot open /dev/ttyUSB0: No such file or directory"));
    EXPECT_TRUE(dialogs.errors.isEmpty());  // nothing from inside the handler
    test::drainEvents();
    EXPECT_EQ(dialogs.errors, (QStringList{QStringLiteral("Cannot write /x: No space left on device"),
                                           QStringLiteral("Cannot open /dev/ttyUSB0: No such file or directory")}));
    // Once the box was seen, the same failure later is reported again.
    report.report(QStringLiteral("Cannot write /x: No space left on device"));
    test::drainEvents();
    EXPECT_EQ(dialogs.errors.size(), 3);
}
