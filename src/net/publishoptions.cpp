#include "net/publishoptions.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

#include "app/fd.h"
#include "files/safepath.h"

namespace kordel {

namespace {

std::optional<MqttOptions> refuse(QString& error, const QString& text) {
    error = text;
    return std::nullopt;
}

// The name a unit gives the password in LoadCredential=.
const QString kCredentialName = QStringLiteral("mqtt-password");

}  // namespace

std::optional<QByteArray> readPasswordFile(const QString& path, QString& error) {
    int fd = -1;
    const IoStatus opened = openRegularForReading(path.toStdString(), fd);
    Fd file(fd);
    if (!opened) {
        error = QStringLiteral("cannot read the password file: %1").arg(QString::fromStdString(opened.message()));
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = QStringLiteral("cannot read the password file %1").arg(path);
        return std::nullopt;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = QStringLiteral("the password file %1 may be read or changed by others (mode %2); "
                               "make it its owner's alone: chmod 600 %1")
                    .arg(path)
                    .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return std::nullopt;
    }
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
        error = QStringLiteral("cannot read the password file %1").arg(path);
        return std::nullopt;
    }
    QByteArray password(buffer, n);
    const qsizetype end = password.indexOf('\n');
    if (end >= 0) {
        password.truncate(end);
    }
    while (password.endsWith('\r')) {
        password.chop(1);
    }
    return password;
}

QString plainPasswordWarning(const MqttOptions& o) {
    if (o.password.isEmpty() || o.address.tls) {
        return {};
    }
    return QStringLiteral("the password goes to %1 unencrypted: anyone on the way can read it (use mqtts://)")
        .arg(QString::fromStdString(brokerUrlText(o.address)));
}

std::optional<MqttOptions> makeMqttOptions(const PublishRequest& r, QString& error) {
    std::string urlError;
    const auto address = parseBrokerUrl(r.url.toStdString(), urlError);
    if (!address) {
        return refuse(error, QStringLiteral("%1: %2").arg(r.url, QString::fromStdString(urlError)));
    }
    if (!isValidStationCode(r.station.toStdString())) {
        return refuse(error, QStringLiteral("the station code \"%1\" may hold only letters, digits, '-' and '_' "
                                            "(1 to 64 of them)").arg(r.station));
    }
    QString passwordFile = r.passwordFile;
    if (passwordFile.isEmpty() && !r.user.isEmpty()) {
        const QString credentials = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
        if (!credentials.isEmpty() && QFile::exists(QDir(credentials).filePath(kCredentialName))) {
            passwordFile = QDir(credentials).filePath(kCredentialName);
        }
    }
    if (!passwordFile.isEmpty() && r.user.isEmpty()) {
        return refuse(error, QStringLiteral("a password file needs a user name (--mqtt-user)"));
    }
    if (!r.caFile.isEmpty() && !address->tls) {
        return refuse(error, QStringLiteral("a CA file is for an mqtts:// broker"));
    }
    MqttOptions o;
    o.address = *address;
    o.user = r.user;
    o.caFile = r.caFile;
    if (!passwordFile.isEmpty()) {
        const auto password = readPasswordFile(passwordFile, error);
        if (!password) {
            return std::nullopt;
        }
        o.password = *password;
    }
    if (!r.caFile.isEmpty() && !QFile::exists(r.caFile)) {
        return refuse(error, QStringLiteral("the CA file %1 does not exist").arg(r.caFile));
    }
    return o;
}

}  // namespace kordel
