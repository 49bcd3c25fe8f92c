#pragma once
// The program's command line: `kordel [--port NAME] [FILE]`. The first argument
// that is not an option names a data file to plot at start; an option's value is
// never taken for that file. The toolkit's own options (-platform, -style, …)
// are let through to the application object.

#include <QStringList>
#include <optional>
#include <string>
#include <variant>

#include "app/programcommandline.h"

namespace kordel {

struct CommandLine {
    std::optional<std::string> dataFile;
    std::optional<std::string> port;
};

// `arguments` with the program's name first: the values, or where the command
// line ends the program (--help, --version, a usage error).
std::variant<CommandLine, ProgramCommandLine::Stop> parseCommandLine(const QStringList& arguments);

}  // namespace kordel
