#pragma once
// What kordel-convert tells about its output: the folder is made when it is
// missing, every file written is named on standard output (one path a line, for
// scripts to pick up), and a dump that replaces files an earlier dump of the
// same call wrote says so on stderr, since that earlier output is gone.

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Creates `dir` and its parents when missing; false, with the reason on
// stderr, when it cannot be made or is not a folder.
bool makeOutputDir(const std::string& dir);

class OutputReport {
public:
    OutputReport(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    // The files the conversion of `dump` wrote; they are listed when it converted.
    void add(const std::string& dump, const std::vector<std::string>& paths, bool converted);

private:
    std::FILE* out_;
    std::FILE* err_;
    std::map<std::string, std::string> writer_;  // path -> the dump that wrote it
};
