#pragma once
// The program's command line: `kordel [--port NAME] [FILE|FOLDER]...`. The
// arguments that are not options name data files (or folders of them) to plot
// at start as one record; an option's value is never taken for a file.

#include <optional>
#include <string>
#include <vector>

namespace kordel {

struct CommandLine {
    std::optional<std::string> dataFile;  // the first of dataFiles
    std::vector<std::string> dataFiles;
    std::optional<std::string> port;
    // Options the program does not know, and options missing their value.
    std::vector<std::string> problems;
};

// `args` without the program's own name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace kordel
