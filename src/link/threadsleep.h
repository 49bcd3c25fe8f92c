#pragma once
// A pause of the calling thread, replaceable so that tests see the pause
// without waiting through it.

#include <functional>

namespace kordel {

// Holds the calling thread for `ms` milliseconds (or calls the installed test
// function instead).
void threadSleep(int ms);

// Replaces the pause; an empty function puts the real one back.
void setThreadSleep(std::function<void(int)> sleep);

}  // namespace kordel
