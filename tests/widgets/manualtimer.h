#pragma once
// A repeat timer driven by the test: time passes only through advance(), and
// each tick fires at the moment a real timer would.

#include <vector>

#include "widgets/repeattimer.h"

namespace kordel::test {

class ManualRepeatTimer : public RepeatTimer {
public:
    bool running() const override { return running_; }
    void setInterval(int ms) override {
        interval_ = ms;
        if (running_) {
            due_ = now_ + ms;  // a new interval counts from now
        }
    }
    int interval() const override { return interval_; }
    void start() override {
        running_ = true;
        due_ = now_ + interval_;
        ++starts;
    }
    void stop() override { running_ = false; }

    // Lets `ms` milliseconds pass, firing every tick that falls due.
    void advance(int ms) {
        const long target = now_ + ms;
        while (running_ && due_ <= target) {
            now_ = due_;
            due_ = now_ + interval_;
            tickTimes.push_back(now_);
            fire();
        }
        now_ = target;
    }

    long now() const { return now_; }

    std::vector<long> tickTimes;
    int starts = 0;

private:
    bool running_ = false;
    int interval_ = 0;
    long now_ = 0;
    long due_ = 0;
};

}  // namespace kordel::test
