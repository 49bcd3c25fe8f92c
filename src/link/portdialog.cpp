#include "link/portdialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
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

namespace kordel {

PortEntry portEntry(const QString& location, const QString& description, const QString& manufacturer,
                    const QString& byIdName) {
    QStringList what;
    for (const QString& part : {description.trimmed(), manufacturer.trimmed()}) {
        if (!part.isEmpty() && !what.contains(part)) {
            what << part;
        }
    }
    PortEntry e{byIdName.isEmpty() ? location : byIdName, {}};
    e.label = e.name;
    if (!what.isEmpty()) {
        e.label += QStringLiteral(" \u2014 ") + what.join(QStringLiteral(", "));
    }
    if (!byIdName.isEmpty()) {
        e.label += QStringLiteral(" (") + location + QLatin1Char(')');
    }
    return e;
}

QString byIdNameOf(const QString& location, const QString& byIdFolder) {
    const QString target = QFileInfo(location).canonicalFilePath();
    if (target.isEmpty()) {
        return {};
    }
    const QDir folder(byIdFolder);
    for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (link.isSymLink() && link.canonicalFilePath() == target) {
            return link.absoluteFilePath();
        }
    }
    return {};
}

}  // namespace kordel

TPortDialog::TPortDialog(const kordel::PortSettings& current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PortDialog"));
    setWindowTitle(QStringLiteral("ComPort"));

    Port = new QComboBox(this);
    Port->setEditable(true);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const kordel::PortEntry e = kordel::portEntry(info.systemLocation(), info.description(), info.manufacturer(),
                                                      kordel::byIdNameOf(info.systemLocation()));
        Port->addItem(e.label, e.name);
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
    // A listed port chosen as listed opens by its name; anything typed is taken as typed.
    const int listed = Port->findText(Port->currentText());
    s.portName = listed >= 0 ? Port->itemData(listed).toString() : Port->currentText().trimmed();
    bool ok = false;
    const int baud = Baud->currentText().toInt(&ok);
    s.baudRate = ok && baud > 0 ? baud : 9600;
    s.dataBits = chosen<QSerialPort::DataBits>(DataBits);
    s.stopBits = chosen<QSerialPort::StopBits>(StopBits);
    s.parity = chosen<QSerialPort::Parity>(Parity);
    s.flowControl = chosen<QSerialPort::FlowControl>(FlowControl);
    return s;
}
