#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/log/eventlog.h"
#include "app/log/logwindow.h"
#include "testsupport.h"

using namespace kordel;

TEST(LogWindow, ShowsACopyOfTheFileAndClearTruncatesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kordel.log"));
    EventLog log(path.toStdString());
    TLogFile window(log);

    window.showLog();  // no file yet: nothing happens
    EXPECT_FALSE(window.isVisible());

    test::writeFile(path, "03/02/2007 09:05:07: one\r\n03/02/2007 09:05:08: two\r\n");
    window.showLog();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("03/02/2007 09:05:07: one\n03/02/2007 09:05:08: two\n"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("LogFile"));

    QTest::mouseClick(window.Button1, Qt::LeftButton);  // "Clear"
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(QFile(path).size(), 0);
}

TEST(LogWindow, ALogAtTheLimitIsNotShown) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kordel.log"));
    EventLog log(path.toStdString());
    TLogFile window(log);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(8'192'000));
    f.close();
    window.showLog();
    EXPECT_FALSE(window.isVisible());
    // Just below the limit is shown (the boundary itself is checked on EventLog).
    ASSERT_TRUE(QFile(path).resize(0));
    test::writeFile(path, "03/02/2007 09:05:07: one\r\n");
    window.showLog();
    EXPECT_TRUE(window.isVisible());
    QTest::mouseClick(window.Button2, Qt::LeftButton);  // "Close"
    EXPECT_FALSE(window.isVisible());
}

TEST(LogWindow, ReturnDoesNotClearAndBytesShowAsLatin1) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kordel.log"));
    EventLog log(path.toStdString());
    TLogFile window(log);
    const QByteArray entry("03/02/2007 09:05:07: 25\xB0 \xFF\r\n");
    test::writeFile(path, entry);
    window.showLog();
    ASSERT_TRUE(window.isVisible());
    // Each byte is one character: 0xB0 a degree sign, 0xFF a y with diaeresis.
    EXPECT_EQ(window.Memo1->toPlainText(), QString::fromUtf8("03/02/2007 09:05:07: 25\u00B0 \u00FF\n"));
    for (QWidget* target : {static_cast<QWidget*>(&window), static_cast<QWidget*>(window.Memo1)}) {
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    EXPECT_EQ(test::readFile(path), entry);
}
