#pragma once
// The fixture of the main-window tests: the window started in a fresh start
// folder (its log goes there, its settings file into a folder of its own), with
// a fake serial port named /dev/ttyUSB0.

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "app/mainform.h"
#include "fakeserialport.h"

namespace kordel::test {

class WindowTest : public ::testing::Test {
protected:
    // `outputDir` as --output-dir gives it.
    void startForm(const QString& outputDir = {});
    // Shows the reports still queued (they belong to this test), closes the
    // window and goes back to the folder the test started in.
    void stopForm();
    // The log's lines without their time stamps.
    QStringList logLines() const;

    QTemporaryDir startDir_;
    QTemporaryDir exeDir_;
    QString previousDir_;
    FakeSerialPort* port_ = nullptr;
    std::unique_ptr<TMainForm> form_;
};

}  // namespace kordel::test
