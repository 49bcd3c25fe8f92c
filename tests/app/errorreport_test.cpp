#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/dialogs.h"
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

namespace {
// Answers the next real message box with the button captioned `button`; `seen`
// gets its icon ("critical" or not), caption and buttons.
void answerNextBox(const QString& button, QString& seen) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        timer->deleteLater();
        timer->stop();
        QStringList buttons;
        QAbstractButton* answer = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            buttons << b->text().remove(QLatin1Char('&'));
            if (buttons.last() == button) answer = b;
        }
        buttons.sort();
        seen = (box->icon() == QMessageBox::Critical ? QStringLiteral("critical|") : QStringLiteral("other|")) +
               box->windowTitle() + QLatin1Char('|') + buttons.join(QLatin1Char(','));
        if (answer) answer->click();
    });
    timer->start(5);
}
}  // namespace

TEST(RealDialogs, ReaderErrorsAreErrorBoxesAndSkipAllIsAThirdButton) {
    setDialogs(nullptr);
    QString seen;
    answerNextBox(QStringLiteral("Skip all"), seen);
    EXPECT_EQ(dialogs().errorLine(nullptr, QStringLiteral("Error in line 4")), Dialogs::LineAnswer::SkipAll);
    EXPECT_EQ(seen, QStringLiteral("critical|Kordel-K5|Cancel,OK,Skip all"));
    answerNextBox(QStringLiteral("OK"), seen);
    dialogs().error(nullptr, QStringLiteral("File \r\n/x.pc\r\n not found :-( !"));
    EXPECT_EQ(seen, QStringLiteral("critical|Kordel-K5|OK"));
}
