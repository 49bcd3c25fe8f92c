#pragma once
// What the fuzz targets share: a property check that aborts (so libFuzzer
// reports the input), a scratch folder per process and small file helpers.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

namespace fs = std::filesystem;

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                \
    do {                                                \
        if (!(cond)) fuzz::fail(#cond, __FILE__, __LINE__); \
    } while (0)

// A fresh folder under $TMPDIR for this process (scripts/fuzz points TMPDIR at
// a scratch folder that it removes).
inline const fs::path& scratch() {
    static const fs::path dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kordel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        return fs::path(pattern);
    }();
    return dir;
}

// Names in a folder, sorted; every entry must be a regular file unless `anyKind`.
inline std::vector<std::string> entries(const fs::path& dir, bool anyKind = false) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        FUZZ_CHECK(anyKind || e.is_regular_file());
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const fs::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void emptyFolder(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

// `digits` decimal digits followed by `suffix`.
inline bool isDigitName(std::string_view name, std::size_t digits, std::string_view suffix) {
    if (name.size() != digits + suffix.size() || name.substr(digits) != suffix) return false;
    return std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(digits),
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace fuzz
