#include "brokerfixture.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include "testsupport.h"

namespace kordel::test {

quint16 freePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

Broker::Broker(const BrokerSetup& setup) : setup_(setup) {
    port_ = freePort();
    QByteArray config = "listener " + QByteArray::number(port_) + " 127.0.0.1\n";
    // Root would otherwise switch to the mosquitto user, which cannot reach the
    // scratch folder.
    config += "user root\n";
    if (setup_.persistence) {
        config += "persistence true\npersistence_location " + dir_.path().toUtf8() + "/\n";
        config += "autosave_interval 1\n";
    } else {
        config += "persistence false\n";
    }
    if (setup_.user.isEmpty()) {
        config += "allow_anonymous true\n";
    } else {
        const QString passwd = dir_.filePath(QStringLiteral("passwd"));
        if (!run(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-c"), QStringLiteral("-b"), passwd, setup_.user,
                                                      setup_.password})) {
            return;
        }
        config += "allow_anonymous false\npassword_file " + passwd.toUtf8() + "\n";
    }
    if (setup_.tls) {
        if (!makeCertificates()) {
            return;
        }
        config += "cafile " + caFile().toUtf8() + "\ncertfile " + dir_.filePath(QStringLiteral("server.crt")).toUtf8() +
                  "\nkeyfile " + dir_.filePath(QStringLiteral("server.key")).toUtf8() + "\n";
    }
    writeFile(dir_.filePath(QStringLiteral("mosquitto.conf")), config);
    ok_ = dir_.isValid() && port_ != 0 && start();
}

Broker::~Broker() { stop(); }

QString Broker::url() const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(setup_.tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt")).arg(port_);
}

QString Broker::output() const { return output_ + (process_ ? QString::fromUtf8(process_->readAll()) : QString()); }

bool Broker::run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir_.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool done = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done) {
        output_ += program + QStringLiteral(" failed: ") + QString::fromUtf8(p.readAll());
    }
    return done;
}

bool Broker::makeCertificates() {
    const QString days = QStringLiteral("2");
    const QStringList newCa = {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                               QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"), days};
    writeFile(dir_.filePath(QStringLiteral("san.ext")), "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    return run(QStringLiteral("openssl"), newCa + QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                                                              QStringLiteral("-out"), QStringLiteral("ca.crt"),
                                                              QStringLiteral("-subj"), QStringLiteral("/CN=Kordel test CA")}) &&
           run(QStringLiteral("openssl"), newCa + QStringList{QStringLiteral("-keyout"), QStringLiteral("other-ca.key"),
                                                              QStringLiteral("-out"), QStringLiteral("other-ca.crt"),
                                                              QStringLiteral("-subj"), QStringLiteral("/CN=Other CA")}) &&
           run(QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"), QStringLiteral("server.csr"),
                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}) &&
           run(QStringLiteral("openssl"),
               {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), days, QStringLiteral("-extfile"),
                QStringLiteral("san.ext"), QStringLiteral("-out"), QStringLiteral("server.crt")});
}

bool Broker::start() {
    if (process_) {
        return true;
    }
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), dir_.filePath(QStringLiteral("mosquitto.conf"))});
    if (!process_->waitForStarted(10000)) {
        output_ += QStringLiteral("mosquitto did not start: ") + process_->errorString();
        return false;
    }
    // The broker is up when its port accepts a connection.
    return waitUntil([this] {
        if (process_->state() != QProcess::Running) {
            return true;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        return probe.waitForConnected(200);
    }, 20000) && process_->state() == QProcess::Running;
}

void Broker::stop() {
    if (!process_) {
        return;
    }
    process_->terminate();
    if (!process_->waitForFinished(10000)) {
        process_->kill();
        process_->waitForFinished(10000);
    }
    output_ += QString::fromUtf8(process_->readAll());
    process_.reset();
}

}  // namespace kordel::test
