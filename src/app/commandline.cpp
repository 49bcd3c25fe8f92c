#include "app/commandline.h"

namespace kordel {

std::variant<CommandLine, ProgramCommandLine::Stop> parseCommandLine(const QStringList& arguments) {
    ProgramCommandLine cli(
        QStringLiteral("kordel"),
        QStringLiteral("The desktop program of the Kordel-K5 magnetometer: records its device lines to\n"
                       "daily data files (*.pc) in the recordings folder, plots them, reads and sets the\n"
                       "instrument's state and converts flash dumps. The log is kordel.log in the\n"
                       "working directory; the settings are kordel.ini beside the program, or in\n"
                       "~/.config/kordel when the program is installed."),
        {{0, QStringLiteral("the window was closed")}});
    cli.addOption({QStringLiteral("port")}, QStringLiteral("The serial port of the instrument."), QStringLiteral("NAME"),
                  QStringLiteral("the first serial port found"));
    cli.addOption({QStringLiteral("output-dir")},
                  QStringLiteral("The folder of the daily data files for this run, over the File > "
                                 "\"Recordings folder\" setting; made when missing; a leading ~/ is the "
                                 "home folder."),
                  QStringLiteral("DIR"), QStringLiteral("the setting, or the working directory when it is empty"));
    cli.addPositionalArgument(QStringLiteral("FILE"),
                              QStringLiteral("Data files (*.pc, *.fl) or folders of them to plot at start, as one record."),
                              QStringLiteral("[FILE|FOLDER]..."));
    cli.acceptSingleDashWords();
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet"}) {
        cli.addHiddenOption(QString::fromLatin1(name), QStringLiteral("value"));
    }
    for (const char* name : {"reverse", "widgetcount"}) {
        cli.addHiddenOption(QString::fromLatin1(name));
    }
    if (auto stop = cli.parse(arguments)) {
        return *stop;
    }
    CommandLine cl;
    const QCommandLineParser& p = cli.parser();
    if (p.isSet(QStringLiteral("port"))) {
        cl.port = p.value(QStringLiteral("port")).toStdString();
    }
    if (p.isSet(QStringLiteral("output-dir"))) {
        cl.outputDir = p.value(QStringLiteral("output-dir")).toStdString();
    }
    for (const QString& a : p.positionalArguments()) {
        cl.dataFiles.push_back(a.toStdString());
    }
    if (!cl.dataFiles.empty()) {
        cl.dataFile = cl.dataFiles.front();
    }
    return cl;
}

}  // namespace kordel
