#pragma once
// The program's command line: `kordel [--port NAME] [--output-dir DIR] [FILE|FOLDER]...`. The
// arguments that are not options name data files (or folders of them) to plot
// at start as one record; an option's value is never taken for a file. The
// toolkit's own options (-platform, -style, …) are let through to the
// application object.

#include <QStringList>
#include <optional>
#include <string>
#include <variant>

#include "app/programcommandline.h"

namespace kordel {

struct CommandLine {
    std::optional<std::string> dataFile;  // the first of dataFiles
    std::vector<std::string> dataFiles;
    std::optional<std::string> port;
    std::optional<std::string> outputDir;  // "--output-dir DIR", over the "Recordings folder" setting
};

// `arguments` with the program's name first: the values, or where the command
// line ends the program (--help, --version, a usage error).
std::variant<CommandLine, ProgramCommandLine::Stop> parseCommandLine(const QStringList& arguments);

}  // namespace kordel
