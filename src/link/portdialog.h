#pragma once

#include <QDialog>
#include <QString>

#include "link/serialport.h"

class QComboBox;

namespace kordel {

// One port as the dialog lists it: the name to open (the stable
// /dev/serial/by-id/… name when the port has one, so a replugged adapter is
// found again) and the line shown, which says what the port is.
struct PortEntry {
    QString name;
    QString label;
};

// "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0 — FT232R USB UART, FTDI (/dev/ttyUSB0)";
// without a by-id name, "/dev/ttyS0 — <description, manufacturer>"; empty parts are left out.
PortEntry portEntry(const QString& location, const QString& description, const QString& manufacturer,
                    const QString& byIdName);

// The link in `byIdFolder` that leads to `location`, or empty.
QString byIdNameOf(const QString& location, const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));

}  // namespace kordel

// The port set-up dialog: port (the ports the system lists with what they are,
// or any device path typed in), baud rate, data bits, stop bits, parity and flow control, each
// filled with the current setting. It only returns what was chosen; the main
// window applies it.
class TPortDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPortDialog(const kordel::PortSettings& current, QWidget* parent = nullptr);
    kordel::PortSettings settings() const;

    QComboBox* Port = nullptr;
    QComboBox* Baud = nullptr;
    QComboBox* DataBits = nullptr;
    QComboBox* StopBits = nullptr;
    QComboBox* Parity = nullptr;
    QComboBox* FlowControl = nullptr;
};
