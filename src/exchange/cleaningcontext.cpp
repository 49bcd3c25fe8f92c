#include "exchange/cleaningcontext.h"

#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace kordel {

CleaningContext currentCleaningContext() {
    CleaningContext c;
    c.userDataFolder =
        (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/kordel/folders").toStdString();
    const char* user = std::getenv("USER");
    const passwd* account = ::getpwuid(::geteuid());
    c.who = user && *user ? user : account && account->pw_name ? account->pw_name : "unknown";
    // The date-time epoch lies 25,569 days before the Unix epoch.
    const auto unixMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
    c.nowMs = unixMs + 25'569LL * 86'400'000;
    return c;
}

}  // namespace kordel
