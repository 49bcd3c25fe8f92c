#include "link/commandframes.h"

namespace kordel {

namespace {

// "=" + command + up to five parameter bytes, padded with "_", + ";".
std::string frame(char command, const std::string& parameters = {}) {
    std::string f;
    f.reserve(kCommandFrameLength);
    f += '=';
    f += command;
    f += parameters.substr(0, 5);
    f.resize(kCommandFrameLength - 1, '_');
    f += ';';
    return f;
}

char bcdChar(int value) { return static_cast<char>(bcdByte(value)); }

}  // namespace

std::uint8_t bcdByte(int value) {
    const int v = ((value % 100) + 100) % 100;
    return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

std::string statusRequestFrame() { return frame('S'); }

std::string dateTimeRequestFrame() { return frame('1'); }

std::string setDateTimeFrame(const CivilDateTime& t) {
    // Exactly five parameters: nothing is padded and ";" follows the seconds.
    return frame('2', {bcdChar(t.month), bcdChar(t.day), bcdChar(t.hour), bcdChar(t.minute), bcdChar(t.second)});
}

std::string setYearFrame(int year) { return frame('3', {bcdChar(year % 100), bcdChar(year / 100)}); }

std::string saveTargetFrame(bool flash) { return frame('R', std::string(1, flash ? '\x01' : '\x00')); }

}  // namespace kordel
