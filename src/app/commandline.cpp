#include "app/commandline.h"

namespace kordel {

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            if (a == "--port") {
                if (i + 1 < args.size()) {
                    cl.port = args[++i];
                } else {
                    cl.problems.push_back("--port needs a port name");
                }
            } else if (a.rfind("--port=", 0) == 0) {
                cl.port = a.substr(7);
            } else {
                cl.problems.push_back("unknown option " + a);
            }
            continue;
        }
        if (!cl.dataFile) {
            cl.dataFile = a;
        }
        cl.dataFiles.push_back(a);
    }
    return cl;
}

}  // namespace kordel
