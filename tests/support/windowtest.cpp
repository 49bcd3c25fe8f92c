#include "windowtest.h"

#include <QDir>

#include "testsupport.h"

namespace kordel::test {

void WindowTest::startForm(const QString& outputDir) {
    ASSERT_TRUE(startDir_.isValid() && exeDir_.isValid());
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(startDir_.path());
    MainFormOptions options;
    options.exeDir = exeDir_.path();
    options.portName = QStringLiteral("/dev/ttyUSB0");
    options.outputDir = outputDir;
    options.portFactory = [this](const PortSettings& s) {
        auto p = std::make_unique<FakeSerialPort>(s);
        port_ = p.get();
        return p;
    };
    form_ = std::make_unique<TMainForm>(options);
    form_->createSecondaryWindows();
    form_->show();
    drainEvents();
}

void WindowTest::stopForm() {
    drainEvents();
    form_.reset();
    QDir::setCurrent(previousDir_);
}

QStringList WindowTest::logLines() const {
    QStringList lines =
        QString::fromUtf8(readFile(startDir_.filePath(QStringLiteral("kordel.log")))).split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (QString& l : lines) l = l.mid(21);  // "dd/mm/yyyy HH:mm:ss: "
    return lines;
}

}  // namespace kordel::test
