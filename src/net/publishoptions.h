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
    QString passwordFile;  // --mqtt-password-file: the password is its first line
    QString caFile;        // --mqtt-ca
};

// The client options, or nothing with a message for the user in `error`.
std::optional<MqttOptions> makeMqttOptions(const PublishRequest& request, QString& error);

}  // namespace kordel
