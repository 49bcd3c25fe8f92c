#pragma once

#include <QDialog>

#include "link/serialport.h"

class QComboBox;

// The port set-up dialog: port (the ports the system lists, or any device path
// typed in), baud rate, data bits, stop bits, parity and flow control, each
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
