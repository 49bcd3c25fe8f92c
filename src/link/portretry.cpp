#include "link/portretry.h"

#include "link/serialport.h"

namespace kordel {

PortRetry::PortRetry(SerialPort& port, QObject* parent) : QObject(parent), port_(port) {
    timer_.setInterval(kRetryMs);
    connect(&timer_, &QTimer::timeout, this, &PortRetry::attempt);
}

void PortRetry::start() { timer_.start(); }

void PortRetry::stop() { timer_.stop(); }

void PortRetry::attempt() {
    if (!timer_.isActive() || !port_.open()) {
        return;
    }
    timer_.stop();
    emit reopened();
}

}  // namespace kordel
