#pragma once
// What a station's publishing options name, checked and read: the broker
// address, the station code, the user, the password (from a file: a password is
// never taken on the command line, where every user of the machine can read it)
// and the CA that signed the broker's certificate.

#include <QString>
#include <optional>

#include "net/mqttclient.h"

namespace kordel {

struct PublishRequest {
    QString url;           // --mqtt
    QString station;       // --station
    QString user;          // --mqtt-user
    QString passwordFile;  // --mqtt-password-file: the password is its first line; empty: the service
                           // credential "mqtt-password" when there is one (systemd's LoadCredential=)
    QString caFile;        // --mqtt-ca
};

// The client options, or nothing with a message for the user in `error`. A
// password file that its group or others may read or write is refused, as ssh
// refuses such a key: the password is no secret any more.
std::optional<MqttOptions> makeMqttOptions(const PublishRequest& request, QString& error);

// Reads the password from the first line of `path`, checking the file as
// above; nothing with the reason in `error`.
std::optional<QByteArray> readPasswordFile(const QString& path, QString& error);

// A warning for the user when a password would cross the network in the
// clear (mqtt://, not mqtts://); empty otherwise.
QString plainPasswordWarning(const MqttOptions& options);

}  // namespace kordel
