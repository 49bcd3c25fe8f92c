#include "net/remotestationdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "net/brokeraddress.h"

QString kordel::remoteStationSettingsError(const RemoteStationSettings& s) {
    std::string urlError;
    const auto address = parseBrokerUrl(s.url.toStdString(), urlError);
    if (s.url.isEmpty()) {
        return QStringLiteral("The broker address is empty.");
    }
    if (!address) {
        return s.url + QStringLiteral(": ") + QString::fromStdString(urlError);
    }
    if (!isValidStationCode(s.station.toStdString())) {
        return QStringLiteral("The station code may hold only letters, digits, '-' and '_'.");
    }
    if (!s.caFile.isEmpty() && !address->tls) {
        return QStringLiteral("A CA file is for an mqtts:// broker.");
    }
    return {};
}

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
    CaFile = new QLineEdit(current.caFile, this);
    CaFile->setPlaceholderText(QStringLiteral("the system's CAs"));
    Problem = new QLabel(this);
    Problem->setTextFormat(Qt::PlainText);
    Problem->setWordWrap(true);
    Problem->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Broker"), Url);
    form->addRow(QStringLiteral("Station"), Station);
    form->addRow(QStringLiteral("User"), User);
    form->addRow(QStringLiteral("Password"), Password);
    form->addRow(QStringLiteral("CA file"), CaFile);
    form->addRow(Problem);
    form->addRow(buttons);
}

kordel::RemoteStationSettings TRemoteStationDialog::settings() const {
    return {Url->text().trimmed(), Station->text().trimmed(), User->text().trimmed(), Password->text(),
            CaFile->text().trimmed()};
}

void TRemoteStationDialog::accept() {
    const QString problem = kordel::remoteStationSettingsError(settings());
    if (!problem.isEmpty()) {
        Problem->setText(problem);
        Problem->show();
        return;
    }
    QDialog::accept();
}
