#pragma once
// Tries a failed serial port again, under the same name, every two seconds
// until it opens or the retrying is stopped. A recording run uses it when its
// port fails (an adapter pulled out): the run ends, and once the port is back
// a new run starts.

#include <QObject>
#include <QTimer>

namespace kordel {

class SerialPort;

class PortRetry : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 2000;

    explicit PortRetry(SerialPort& port, QObject* parent = nullptr);

    void start();
    void stop();
    bool active() const { return timer_.isActive(); }

    // One try now (the timer's tick): when the port opens, the retrying ends
    // and `reopened` is emitted.
    void attempt();

signals:
    void reopened();

private:
    SerialPort& port_;
    QTimer timer_;
};

}  // namespace kordel
