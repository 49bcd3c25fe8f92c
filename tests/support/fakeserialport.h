#pragma once
// A serial port for window tests: bytes put in with `receive` arrive as one
// receive event; everything written is kept for the test to check.

#include <QByteArray>
#include <QList>

#include "link/serialport.h"

namespace kordel::test {

class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(const PortSettings& s) : settings_(s) {}

    const PortSettings& settings() const override { return settings_; }
    void setSettings(const PortSettings& s) override { settings_ = s; }
    void setBaudRate(qint32 baud) override { settings_.baudRate = baud; }
    bool open() override {
        ++openCalls;
        if (failOpen) return false;
        open_ = true;
        return true;
    }
    bool isOpen() const override { return open_; }
    void close() override { open_ = false; }
    qint64 bytesAvailable() const override { return waiting_.size(); }
    QByteArray read(qint64 maxBytes) override {
        const QByteArray out = waiting_.left(maxBytes);
        waiting_.remove(0, out.size());
        reads << out.size();
        return out;
    }
    bool write(const QByteArray& bytes) override {
        if (failWrite || !open_) return false;
        written << bytes;
        baudAtWrite << settings_.baudRate;
        return true;
    }
    QString errorString() const override { return QStringLiteral("Cannot open the port %1: No such file or directory").arg(settings_.portName); }

    // Bytes arriving at the port: one receive event.
    void receive(const QByteArray& bytes) {
        waiting_ += bytes;
        emit dataArrived();
    }
    void fail(const QString& message) {
        open_ = false;
        emit failed(message);
    }

    QList<QByteArray> written;
    QList<qint32> baudAtWrite;
    QList<qint64> reads;
    int openCalls = 0;
    bool failOpen = false;
    bool failWrite = false;

private:
    PortSettings settings_;
    QByteArray waiting_;
    bool open_ = false;
};

}  // namespace kordel::test
