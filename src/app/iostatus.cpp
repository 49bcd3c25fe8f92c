#include "app/iostatus.h"

#include <cstring>

namespace kordel {

IoStatus IoStatus::fromErrno(const std::string& what, int errnum) {
    char buf[256] = {};
    // GNU strerror_r returns the message, which may or may not be in buf.
    const char* text = strerror_r(errnum, buf, sizeof buf);
    return failure(what + ": " + text);
}

}  // namespace kordel
