#include "sim/simdeviceline.h"

#include <algorithm>
#include <cmath>

namespace kordel {

namespace {

std::string fitted(double value, int decimals, int width) {
    const double largest = decimals == 2 ? 99999.99 : 999.9;
    const double smallest = decimals == 2 ? -9999.99 : -99.9;
    if (std::isnan(value)) {
        value = 0;
    }
    return formatFixedWidth(std::clamp(value, smallest, largest), decimals, width);
}

std::string fourDigits(int n) {
    n = ((n % 10000) + 10000) % 10000;
    return TwoDigits(n / 100) + TwoDigits(n % 100);
}

// Moves the value in columns [first, first + width) one column to the left, so
// that a blank follows it. A value that fills its columns loses its last
// character to the blank instead.
void blankAfterValue(std::string& line, std::size_t first, std::size_t width) {
    if (line[first] == ' ') {
        line.erase(first, 1);
        line.insert(first + width - 1, 1, ' ');
    } else {
        line[first + width - 1] = ' ';
    }
}

}  // namespace

std::string buildDeviceLine(const CivilDateTime& t, const FieldValues& v, LineFault fault) {
    std::string line;
    line.reserve(kDeviceLineLength);
    line += fourDigits(t.year);
    line += ' ';
    line += TwoDigits(t.month);
    line += ' ';
    line += TwoDigits(fault == LineFault::Day32 ? 32 : t.day);
    line += ' ';
    line += TwoDigits(fault == LineFault::Hour24 ? 24 : t.hour);
    line += ' ';
    line += TwoDigits(t.minute);
    line += ' ';
    line += TwoDigits(t.second);
    line += ".00 ";
    line += fitted(v.bx, 2, 8);
    line += ' ';
    line += fitted(v.by, 2, 8);
    line += ' ';
    line += fitted(v.bz, 2, 8);
    line += ' ';
    line += fitted(v.ts, 1, 5);
    line += ' ';
    line += fitted(v.te, 1, 5);
    if (fault == LineFault::BlankAfterValue) {
        blankAfterValue(line, 50, 5);  // Ts, columns 51-55
    }
    line += "\r\n";
    return line;
}

}  // namespace kordel
