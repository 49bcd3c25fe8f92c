// Process start: the fixed formats, the application object, the windows in
// their fixed order (the main window first), then the event loop.

#include <QApplication>
#include <iostream>

#include "app/applicationsetup.h"
#include "app/commandline.h"
#include "app/mainform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kordel::setUpApplication();

    std::vector<std::string> args;
    for (const QString& a : QApplication::arguments().mid(1)) {
        args.push_back(a.toStdString());
    }
    const kordel::CommandLine cl = kordel::parseCommandLine(args);
    for (const auto& problem : cl.problems) {
        std::cerr << "kordel: " << problem << '\n';
    }

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
    TMainForm mainForm(options);
    mainForm.createSecondaryWindows();
    mainForm.show();
    return QApplication::exec();
}
