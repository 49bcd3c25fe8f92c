#pragma once
// The timer behind the range bar's arrow auto-repeat, as the bar's logic sees
// it: an interval in milliseconds, start, stop, and a tick handler that the
// owner installs. The program uses a toolkit timer; tests drive one by hand, so
// no test has to wait for real time to pass.

#include <functional>
#include <utility>

namespace kordel {

class RepeatTimer {
public:
    virtual ~RepeatTimer() = default;

    virtual bool running() const = 0;
    // Changing the interval of a running timer counts the new interval from now.
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;

    // Called on every tick, on the user-interface thread.
    void onTick(std::function<void()> handler) { tick_ = std::move(handler); }

protected:
    void fire() {
        if (tick_) {
            tick_();
        }
    }

private:
    std::function<void()> tick_;
};

}  // namespace kordel
