// Process start: the fixed formats, the application object, the windows in
// their fixed order (the main window first), then the event loop.

#include <QApplication>

#include "app/applicationsetup.h"
#include "app/commandline.h"
#include "app/mainform.h"

int main(int argc, char* argv[]) {
    // Before the application object: --help, --version and a usage error end the
    // program here, without a display.
    const auto parsed = kordel::parseCommandLine(kordel::argumentList(argc, argv));
    if (const auto* stop = std::get_if<kordel::ProgramCommandLine::Stop>(&parsed)) {
        return kordel::ProgramCommandLine::finish(*stop);
    }
    const kordel::CommandLine& cl = std::get<kordel::CommandLine>(parsed);

    QApplication app(argc, argv);
    kordel::setUpApplication();
    // The desktop entry's name, so the window is matched to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kordel.Kordel"));

    MainFormOptions options;
    if (cl.dataFile) {
        options.dataFile = QString::fromStdString(*cl.dataFile);
    }
    for (const auto& f : cl.dataFiles) {
        options.dataFiles << QString::fromStdString(f);
    }
    if (cl.port) {
        options.portName = QString::fromStdString(*cl.port);
    }
    if (cl.outputDir) {
        options.outputDir = QString::fromStdString(*cl.outputDir);
    }
    TMainForm mainForm(options);
    mainForm.createSecondaryWindows();
    mainForm.show();
    return QApplication::exec();
}
