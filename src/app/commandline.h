#pragma once
// The program's command line: `kordel [--port NAME] [FILE]`. The first argument
// that is not an option names a data file to plot at start; an option's value is
// never taken for that file.

#include <optional>
#include <string>
#include <vector>

namespace kordel {

struct CommandLine {
    std::optional<std::string> dataFile;
    std::optional<std::string> port;
    // Options the program does not know, and options missing their value.
    std::vector<std::string> problems;
};

// `args` without the program's own name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace kordel
