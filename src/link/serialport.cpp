#include "link/serialport.h"

#include <QPointer>
#include <QTimer>
#include <cerrno>
#include <termios.h>

namespace kordel {

namespace {

class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(const PortSettings& settings) : settings_(settings) {
        connect(&port_, &QSerialPort::readyRead, this, &SerialPort::dataArrived);
        connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
        // A device that hangs up does not always raise an error; ask the line
        // itself now and then whether it is still there.
        probe_.setInterval(1000);
        connect(&probe_, &QTimer::timeout, this, &QtSerialPort::probeLine);
    }

    const PortSettings& settings() const override { return settings_; }

    void setSettings(const PortSettings& settings) override {
        const bool reopen = port_.isOpen() && settings.portName != settings_.portName;
        settings_ = settings;
        if (reopen) {
            port_.close();
            open();
        } else if (port_.isOpen()) {
            applyLineSettings();
        }
    }

    void setBaudRate(qint32 baud) override {
        settings_.baudRate = baud;
        if (port_.isOpen()) {
            port_.setBaudRate(baud);
        }
    }

    bool open() override {
        if (port_.isOpen()) {
            return true;
        }
        failedReported_ = false;
        port_.setPortName(settings_.portName);
        if (!port_.open(QIODevice::ReadWrite)) {
            lastError_ = QStringLiteral("Cannot open the port %1: %2").arg(settings_.portName, port_.errorString());
            return false;
        }
        applyLineSettings();
        // Control lines held inactive; a pseudo-terminal has none, which is no error.
        opening_ = true;
        port_.setDataTerminalReady(false);
        port_.setRequestToSend(false);
        opening_ = false;
        // Qt does not flush the line on open: bytes sent before it would come first.
        port_.clear();
        port_.clearError();
        probe_.start();
        return true;
    }

    bool isOpen() const override { return port_.isOpen(); }
    void close() override {
        probe_.stop();
        if (port_.isOpen()) {
            port_.close();
        }
    }

    qint64 bytesAvailable() const override { return port_.isOpen() ? port_.bytesAvailable() : 0; }
    QByteArray read(qint64 maxBytes) override { return port_.read(maxBytes); }

    void drain() override {
        // Each wait of 0 ms reads what the driver holds and stops at the first
        // that finds nothing. A device that never stops sending is cut off
        // after a bounded number of reads: its queue holds 52000 bytes at most.
        constexpr int kMaxReads = 256;
        for (int i = 0; i < kMaxReads && port_.isOpen(); ++i) {
            if (!port_.waitForReadyRead(0)) {
                break;
            }
        }
        if (port_.isOpen() && port_.error() == QSerialPort::TimeoutError) {
            port_.clearError();  // the last wait found nothing, which is no fault
        }
    }

    bool write(const QByteArray& bytes) override {
        if (!port_.isOpen()) {
            lastError_ = QStringLiteral("Cannot write to the port %1: it is not open").arg(settings_.portName);
            return false;
        }
        const qint64 n = port_.write(bytes);
        if (n != bytes.size()) {
            lastError_ = QStringLiteral("Cannot write to the port %1: %2").arg(settings_.portName, port_.errorString());
            return false;
        }
        while (port_.bytesToWrite() > 0) {
            if (!port_.waitForBytesWritten(2000)) {
                lastError_ = QStringLiteral("Cannot write to the port %1: %2")
                                 .arg(settings_.portName, port_.errorString());
                return false;
            }
        }
        return true;
    }

    QString errorString() const override { return lastError_; }

private:
    void applyLineSettings() {
        port_.setBaudRate(settings_.baudRate);
        port_.setDataBits(settings_.dataBits);
        port_.setParity(settings_.parity);
        port_.setStopBits(settings_.stopBits);
        port_.setFlowControl(settings_.flowControl);
    }

    void onError(QSerialPort::SerialPortError error) {
        if (error == QSerialPort::NoError || opening_ || !port_.isOpen()) {
            return;
        }
        if (error == QSerialPort::TimeoutError) {
            return;  // a wait that ran out; the write reports it
        }
        fail(QStringLiteral("The port %1 failed: %2").arg(settings_.portName, port_.errorString()));
    }

    void probeLine() {
        termios attributes{};
        if (port_.isOpen() && ::tcgetattr(static_cast<int>(port_.handle()), &attributes) != 0 && errno == EIO) {
            fail(QStringLiteral("The port %1 failed: the device is gone").arg(settings_.portName));
        }
    }

    void fail(const QString& message) {
        lastError_ = message;
        probe_.stop();
        port_.close();
        if (!failedReported_) {
            failedReported_ = true;
            // Announced after the port's own signal has returned.
            QTimer::singleShot(0, this, [this, message = lastError_] { emit failed(message); });
        }
    }

    PortSettings settings_;
    QSerialPort port_;
    QString lastError_;
    QTimer probe_;
    bool opening_ = false;
    bool failedReported_ = false;
};

}  // namespace

std::unique_ptr<SerialPort> createSerialPort(const PortSettings& settings) {
    return std::make_unique<QtSerialPort>(settings);
}

}  // namespace kordel
