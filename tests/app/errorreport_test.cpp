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
// What the program's real message box showed.
struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QStringList buttons;
};

// Answers the next message box with the button captioned `button`, noting what it showed.
void answerNextBox(const QString& button, SeenBox& seen) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        timer->stop();
        timer->deleteLater();
        seen.icon = box->icon();
        seen.title = box->windowTitle();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text().remove(QLatin1Char('&'));
            if (seen.buttons.last() == button) b->click();
        }
    });
    timer->start(5);
}
}  // namespace

TEST(RealDialogs, ReaderErrorsAreErrorBoxesAndSkipAllIsAThirdButton) {
    setDialogs(nullptr);
    SeenBox line;
    answerNextBox(QStringLiteral("Skip all"), line);
    EXPECT_EQ(dialogs().errorLine(nullptr, QStringLiteral("Error in line 4\r\nx\r\nContinue ?")),
              Dialogs::LineAnswer::SkipAll);
    EXPECT_EQ(line.icon, QMessageBox::Critical);
    EXPECT_EQ(line.title, QStringLiteral("Kordel-K5"));
    line.buttons.sort();
    EXPECT_EQ(line.buttons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("OK"), QStringLiteral("Skip all")}));

    SeenBox notFound;
    answerNextBox(QStringLiteral("OK"), notFound);
    dialogs().error(nullptr, QStringLiteral("File \r\n/x.pc\r\n not found :-( !"));
    EXPECT_EQ(notFound.icon, QMessageBox::Critical);
    EXPECT_EQ(notFound.title, QStringLiteral("Kordel-K5"));
}
