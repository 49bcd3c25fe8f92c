#include "exchange/fixedtext.h"

namespace kordel {

void appendFixed(std::string& out, std::int64_t scaled, int decimals, int width) {
    char buf[32];
    int n = 0;
    const bool negative = scaled < 0;
    std::uint64_t a = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    for (int d = 0; d < decimals; ++d, a /= 10) buf[n++] = static_cast<char>('0' + a % 10);
    if (decimals > 0) buf[n++] = '.';
    do {
        buf[n++] = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a != 0);
    if (negative) buf[n++] = '-';
    for (int i = n; i < width; ++i) out += ' ';
    while (n > 0) out += buf[--n];
}

}  // namespace kordel
