#include "net/publishoptions.h"

#include <QFile>

namespace kordel {

namespace {

std::optional<MqttOptions> refuse(QString& error, const QString& text) {
    error = text;
    return std::nullopt;
}

}  // namespace

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
    if (!r.passwordFile.isEmpty() && r.user.isEmpty()) {
        return refuse(error, QStringLiteral("a password file needs a user name (--mqtt-user)"));
    }
    if (!r.caFile.isEmpty() && !address->tls) {
        return refuse(error, QStringLiteral("a CA file is for an mqtts:// broker"));
    }
    MqttOptions o;
    o.address = *address;
    o.user = r.user;
    o.caFile = r.caFile;
    if (!r.passwordFile.isEmpty()) {
        QFile file(r.passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            return refuse(error, QStringLiteral("cannot read the password file %1: %2").arg(r.passwordFile, file.errorString()));
        }
        QByteArray password = file.readLine(4096);
        while (password.endsWith('\n') || password.endsWith('\r')) {
            password.chop(1);
        }
        o.password = password;
    }
    if (!r.caFile.isEmpty() && !QFile::exists(r.caFile)) {
        return refuse(error, QStringLiteral("the CA file %1 does not exist").arg(r.caFile));
    }
    return o;
}

}  // namespace kordel
