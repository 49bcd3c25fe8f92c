#include "link/threadsleep.h"

#include <chrono>
#include <thread>

namespace kordel {

namespace {
std::function<void(int)>& installed() {
    static std::function<void(int)> f;
    return f;
}
}  // namespace

void threadSleep(int ms) {
    if (installed()) {
        installed()(ms);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void setThreadSleep(std::function<void(int)> sleep) { installed() = std::move(sleep); }

}  // namespace kordel
