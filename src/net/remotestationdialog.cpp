#include "net/remotestationdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>

TRemoteStationDialog::TRemoteStationDialog(const kordel::RemoteStationSettings& current, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("RemoteStationDialog"));
    setWindowTitle(QStringLiteral("Remote station"));

    Url = new QLineEdit(current.url, this);
    Url->setPlaceholderText(QStringLiteral("mqtt://host:1883"));
    Station = new QLineEdit(current.station, this);
    Station->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9_-]{0,64}")), Station));
    User = new QLineEdit(current.user, this);
    Password = new QLineEdit(current.password, this);
    Password->setEchoMode(QLineEdit::Password);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Broker"), Url);
    form->addRow(QStringLiteral("Station"), Station);
    form->addRow(QStringLiteral("User"), User);
    form->addRow(QStringLiteral("Password"), Password);
    form->addRow(buttons);
}

kordel::RemoteStationSettings TRemoteStationDialog::settings() const {
    return {Url->text().trimmed(), Station->text().trimmed(), User->text().trimmed(), Password->text()};
}
