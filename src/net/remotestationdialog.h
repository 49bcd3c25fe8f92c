#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace kordel {

// What the user gives to watch a remote station.
struct RemoteStationSettings {
    QString url;       // mqtt://host[:port] or mqtts://host[:port]
    QString station;
    QString user;
    QString password;  // kept for the session only, never in the settings file
    QString caFile;    // mqtts: the CA that signed the broker's certificate; empty: the system's CAs
};

// Why the settings cannot be used ("" when they can): the address and the
// station code are checked before anything is tried.
QString remoteStationSettingsError(const RemoteStationSettings& settings);

}  // namespace kordel

// "Remote station...": the broker's address, the station's code, user and
// password and CA file, each filled with the current value. OK with an address
// or a code that cannot be used says why in the dialog, which stays open.
class TRemoteStationDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRemoteStationDialog(const kordel::RemoteStationSettings& current, QWidget* parent = nullptr);
    kordel::RemoteStationSettings settings() const;
    void accept() override;

    QLineEdit* Url = nullptr;
    QLineEdit* Station = nullptr;
    QLineEdit* User = nullptr;
    QLineEdit* Password = nullptr;
    QLineEdit* CaFile = nullptr;
    QLabel* Problem = nullptr;
};
