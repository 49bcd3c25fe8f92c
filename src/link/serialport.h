#pragma once
// The serial port behind a small interface: the only code that knows a port.
// The real one is a QSerialPort; tests drive it through a pseudo-terminal or
// put in a fake.
//
// A port error other than "no error" (the adapter pulled out, the device gone)
// closes the port at once and is announced once through `failed`: Qt would
// otherwise repeat the error many thousand times a second until the port is
// closed. The next `open` tries again.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <memory>

namespace kordel {

struct PortSettings {
    QString portName;
    qint32 baudRate = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;

    friend bool operator==(const PortSettings&, const PortSettings&) = default;
};

class SerialPort : public QObject {
    Q_OBJECT
public:
    ~SerialPort() override = default;

    virtual const PortSettings& settings() const = 0;
    // New settings; they take effect at once when the port is open.
    virtual void setSettings(const PortSettings& settings) = 0;
    virtual void setBaudRate(qint32 baud) = 0;

    // Opens the port with the current settings; nothing happens when it is open.
    // False when it cannot be opened; `errorString` says why.
    virtual bool open() = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    // Takes in what the driver still holds, without waiting for more: the
    // received-data event may not have told of it yet. Reads until one finds
    // nothing; then `bytesAvailable` covers every byte received so far. For the
    // end of a recording, before the port is closed.
    virtual void drain() {}
    // Sends the bytes in one piece and waits until they are out; false on failure.
    virtual bool write(const QByteArray& bytes) = 0;

    virtual QString errorString() const = 0;

signals:
    // Bytes are waiting (at least one).
    void dataArrived();
    // The port failed and has been closed; `message` is for the user.
    void failed(const QString& message);
};

// The real port.
std::unique_ptr<SerialPort> createSerialPort(const PortSettings& settings);

}  // namespace kordel
