#pragma once
// A real mosquitto broker for one test: its own configuration in a scratch
// folder, a free port on 127.0.0.1 (never the system's 1883), started and
// stopped by the test. Optionally with a password file and/or TLS made with a
// CA of the test's own (openssl).

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace kordel::test {

struct BrokerSetup {
    QString user;      // with a password: anonymous clients are refused
    QString password;
    bool tls = false;  // the listener speaks TLS with a certificate for 127.0.0.1
    // Without it, a restarted broker has forgotten every session, queued
    // message and retained state, as after a crash.
    bool persistence = true;
};

class Broker {
public:
    explicit Broker(const BrokerSetup& setup = {});
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    // Starts (again, on the same port and with the same stored messages);
    // returns when the port accepts connections.
    bool start();
    // Stops gracefully: the broker saves its stored messages first (when it keeps them).
    void stop();

    bool ok() const { return ok_; }
    quint16 port() const { return port_; }
    QString url() const;
    QString caFile() const { return dir_.filePath(QStringLiteral("ca.crt")); }
    // A CA that did not sign the broker's certificate.
    QString otherCaFile() const { return dir_.filePath(QStringLiteral("other-ca.crt")); }
    QString folder() const { return dir_.path(); }
    QString output() const;

private:
    bool makeCertificates();
    bool run(const QString& program, const QStringList& args);

    QTemporaryDir dir_;
    BrokerSetup setup_;
    quint16 port_ = 0;
    std::unique_ptr<QProcess> process_;
    QString output_;
    bool ok_ = false;
};

// A free TCP port on 127.0.0.1 at the time of the call.
quint16 freePort();

}  // namespace kordel::test
