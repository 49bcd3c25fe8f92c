#include "outputreport.h"

#include <filesystem>
#include <system_error>

bool makeOutputDir(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!ec && !std::filesystem::is_directory(dir, ec)) {
        ec = std::make_error_code(std::errc::not_a_directory);
    }
    if (ec) {
        std::fprintf(stderr, "kordel-convert: cannot create the output folder %s: %s\n", dir.c_str(),
                     ec.message().c_str());
        return false;
    }
    return true;
}

void OutputReport::add(const std::string& dump, const std::vector<std::string>& paths, bool converted) {
    for (const std::string& path : paths) {
        const auto [it, added] = writer_.try_emplace(path, dump);
        if (!added && it->second != dump) {
            std::fprintf(err_, "kordel-convert: %s replaces %s, written from %s\n", dump.c_str(), path.c_str(),
                         it->second.c_str());
            it->second = dump;
        }
        if (converted) {
            std::fprintf(out_, "%s\n", path.c_str());
        }
    }
    std::fflush(out_);
}
