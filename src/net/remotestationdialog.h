#pragma once

#include <QDialog>

class QLineEdit;

namespace kordel {

// What the user gives to watch a remote station.
struct RemoteStationSettings {
    QString url;       // mqtt://host[:port] or mqtts://host[:port]
    QString station;
    QString user;
    QString password;  // kept for the session only, never in the settings file
};

}  // namespace kordel

// "Remote station...": the broker's address, the station's code, user and
// password, each filled with the current value. It only returns what was given;
// the remote station checks and uses it.
class TRemoteStationDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRemoteStationDialog(const kordel::RemoteStationSettings& current, QWidget* parent = nullptr);
    kordel::RemoteStationSettings settings() const;

    QLineEdit* Url = nullptr;
    QLineEdit* Station = nullptr;
    QLineEdit* User = nullptr;
    QLineEdit* Password = nullptr;
};
