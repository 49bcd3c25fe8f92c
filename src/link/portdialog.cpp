#include "link/portdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QSerialPortInfo>

namespace {

template <typename T>
void addChoice(QComboBox* box, const QString& text, T value, T current) {
    box->addItem(text, QVariant::fromValue(static_cast<int>(value)));
    if (value == current) {
        box->setCurrentIndex(box->count() - 1);
    }
}

template <typename T>
T chosen(const QComboBox* box) {
    return static_cast<T>(box->currentData().toInt());
}

}  // namespace

TPortDialog::TPortDialog(const kordel::PortSettings& current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PortDialog"));
    setWindowTitle(QStringLiteral("ComPort"));

    Port = new QComboBox(this);
    Port->setEditable(true);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        Port->addItem(info.systemLocation());
    }
    Port->setEditText(current.portName);

    Baud = new QComboBox(this);
    Baud->setEditable(true);
    Baud->setValidator(new QIntValidator(50, 4000000, Baud));
    for (int b : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) {
        Baud->addItem(QString::number(b));
    }
    Baud->setEditText(QString::number(current.baudRate));

    DataBits = new QComboBox(this);
    for (auto b : {QSerialPort::Data5, QSerialPort::Data6, QSerialPort::Data7, QSerialPort::Data8}) {
        addChoice(DataBits, QString::number(static_cast<int>(b)), b, current.dataBits);
    }
    StopBits = new QComboBox(this);
    addChoice(StopBits, QStringLiteral("1"), QSerialPort::OneStop, current.stopBits);
    addChoice(StopBits, QStringLiteral("1.5"), QSerialPort::OneAndHalfStop, current.stopBits);
    addChoice(StopBits, QStringLiteral("2"), QSerialPort::TwoStop, current.stopBits);
    Parity = new QComboBox(this);
    addChoice(Parity, QStringLiteral("None"), QSerialPort::NoParity, current.parity);
    addChoice(Parity, QStringLiteral("Even"), QSerialPort::EvenParity, current.parity);
    addChoice(Parity, QStringLiteral("Odd"), QSerialPort::OddParity, current.parity);
    addChoice(Parity, QStringLiteral("Mark"), QSerialPort::MarkParity, current.parity);
    addChoice(Parity, QStringLiteral("Space"), QSerialPort::SpaceParity, current.parity);
    FlowControl = new QComboBox(this);
    addChoice(FlowControl, QStringLiteral("None"), QSerialPort::NoFlowControl, current.flowControl);
    addChoice(FlowControl, QStringLiteral("Hardware (RTS/CTS)"), QSerialPort::HardwareControl, current.flowControl);
    addChoice(FlowControl, QStringLiteral("Software (XON/XOFF)"), QSerialPort::SoftwareControl, current.flowControl);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Port"), Port);
    form->addRow(QStringLiteral("Baud rate"), Baud);
    form->addRow(QStringLiteral("Data bits"), DataBits);
    form->addRow(QStringLiteral("Stop bits"), StopBits);
    form->addRow(QStringLiteral("Parity"), Parity);
    form->addRow(QStringLiteral("Flow control"), FlowControl);
    form->addRow(buttons);
}

kordel::PortSettings TPortDialog::settings() const {
    kordel::PortSettings s;
    s.portName = Port->currentText().trimmed();
    bool ok = false;
    const int baud = Baud->currentText().toInt(&ok);
    s.baudRate = ok && baud > 0 ? baud : 9600;
    s.dataBits = chosen<QSerialPort::DataBits>(DataBits);
    s.stopBits = chosen<QSerialPort::StopBits>(StopBits);
    s.parity = chosen<QSerialPort::Parity>(Parity);
    s.flowControl = chosen<QSerialPort::FlowControl>(FlowControl);
    return s;
}
