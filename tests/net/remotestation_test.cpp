// Watching a remote station through a real broker: the lines a station
// publishes are decoded and plotted as if recorded, the station's state shows in
// the status text, the settings keep all but the password, and a broker that
// refuses the user is reported in a box.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>

#include "app/errorreport.h"
#include "brokerfixture.h"
#include "net/remotestation.h"
#include "testsupport.h"

using namespace kordel;

namespace {

class ChartsSpy : public RecorderListener {
public:
    void onDailyFileStarted(const std::string& name) override { started.push_back(name); }
    void onSample(const DecodedSample& s, bool) override { bx.push_back(s.bx); }
    void onLog(const std::string& text) override { log.push_back(text); }
    void onFileError(const std::string& message) override { errors.push_back(message); }
    std::vector<std::string> started, log, errors;
    std::vector<double> bx;
};

// Publishes as a station would, QoS 1.
struct FakeStation {
    explicit FakeStation(const test::Broker& broker) {
        std::string e;
        MqttOptions o;
        o.address = *parseBrokerUrl(broker.url().toStdString(), e);
        QString error;
        client.start(o, error);
        test::waitUntil([&] { return client.isConnected(); });
    }
    void send(const QByteArray& topic, const QByteArray& payload, bool retain = false) {
        client.publish(topic, payload, 1, retain);
    }
    MqttClient client;
};

QByteArray line(int second, const QByteArray& bx) {
    return "2026 12 08 10 20 " + QByteArray::number(second).rightJustified(2, '0') + ".00 " + bx.rightJustified(8, ' ') +
           "     1.00     2.00  25.3  30.1";
}

}  // namespace

TEST(RemoteStationTest, ShowsTheStationsLinesAndStateAsIfRecording) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::FakeDialogs dialogs;
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("kordel.ini"));
    QWidget window;
    ChartsSpy charts;
    RemoteStation remote(&window, charts, ini);
    QLabel status;
    remote.setStatusLabel(&status);
    EXPECT_EQ(remote.action()->text(), QStringLiteral("Remote station..."));
    remote.setAsk([&](QWidget*, const RemoteStationSettings&) {
        return RemoteStationSettings{broker.url(), QStringLiteral("R1"), QStringLiteral("watcher"), QStringLiteral("pw"), {}};
    });
    remote.action()->trigger();
    ASSERT_TRUE(remote.watching());
    EXPECT_EQ(status.text(), QStringLiteral("R1: connecting"));
    EXPECT_EQ(charts.log.back(), "Remote station: watching R1 at " + broker.url().toStdString());

    FakeStation station(broker);
    // The retained state reaches the watcher once its subscription is in place.
    station.send("kordel/R1/state", "online", true);
    ASSERT_TRUE(test::waitUntil([&] { return status.text() == QStringLiteral("R1: online"); }));
    station.send("kordel/R1/line", line(1, "100.50"));
    station.send("kordel/R1/line", "short");                      // reported, skipped
    station.send("kordel/R1/line", line(2, "101.50") + "\r\n");   // 63 bytes: not a line message
    station.send("kordel/R1/line", QByteArray(5000, 'x'));         // over 1 KiB: dropped unread
    station.send("kordel/R2/line", line(3, "999.00"));            // another station
    station.send("kordel/R1/line", line(4, "102.50"));
    ASSERT_TRUE(test::waitUntil([&] { return charts.bx.size() >= 2; }));
    EXPECT_EQ(charts.bx, (std::vector<double>{100.5, 102.5}));
    EXPECT_EQ(charts.started, std::vector<std::string>{"Remote station R1"});
    // One entry a minute at most: the first is said, the next two only counted.
    EXPECT_EQ(std::count_if(charts.log.begin(), charts.log.end(),
                            [](const std::string& l) { return l.find("no device line") != std::string::npos; }),
              1);
    EXPECT_NE(std::find(charts.log.begin(), charts.log.end(),
                        "Remote station: 1 message that is no device line skipped (the last of 5 bytes)"),
              charts.log.end());

    station.send("kordel/R1/state", "offline", true);
    ASSERT_TRUE(test::waitUntil([&] { return status.text() == QStringLiteral("R1: offline"); }));
    // The state is anyone's text: shown as it is, never as markup.
    station.send("kordel/R1/state", "<b>x</b>\n", true);
    ASSERT_TRUE(test::waitUntil([&] { return status.text() == QStringLiteral("R1: <b>x</b>?"); }));
    EXPECT_EQ(status.textFormat(), Qt::PlainText);
    window.setWindowTitle(QStringLiteral("Kordel-K5 - Remote station R1"));
    remote.stop();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kordel-K5"));
    EXPECT_FALSE(remote.watching());
    EXPECT_EQ(status.text(), QString());
    EXPECT_TRUE(charts.errors.empty());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    // Nothing written but the settings: no daily file, and no password.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kordel.ini")});
    const QByteArray settings = test::readFile(ini);
    for (const char* kept : {"[RemoteStation]", "Station=R1", "User=watcher"}) {
        EXPECT_TRUE(settings.contains(kept)) << settings.toStdString();
    }
    EXPECT_FALSE(settings.contains("pw")) << settings.toStdString();
    RemoteStation again(&window, charts, ini);
    EXPECT_EQ(again.settings().url, broker.url());
    EXPECT_EQ(again.settings().station, QStringLiteral("R1"));
    EXPECT_EQ(again.settings().password, QString());
}

TEST(RemoteStationTest, RefusedUserOrUnusableSettingsAreReportedInABox) {
    test::Broker broker({QStringLiteral("station"), QStringLiteral("s3cret"), false});
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::FakeDialogs dialogs;
    QTemporaryDir dir;
    QWidget window;
    ChartsSpy charts;
    RemoteStation remote(&window, charts, dir.filePath(QStringLiteral("kordel.ini")));
    struct Case {
        RemoteStationSettings settings;
        QString box;
    };
    const Case cases[] = {
        {{broker.url(), QStringLiteral("R1"), QStringLiteral("station"), QStringLiteral("wrong"), {}},
         QStringLiteral("Remote station R1: the broker refused the connection: not authorised (user name or password)")},
        {{QStringLiteral("http://x"), QStringLiteral("R1"), {}, {}, {}},
         QStringLiteral("Remote station: http://x: the broker address must start with mqtt:// or mqtts://")},
        {{broker.url(), QStringLiteral("a/b"), {}, {}, {}},
         QStringLiteral("Remote station: The station code may hold only letters, digits, '-' and '_'.")},
    };
    for (const Case& c : cases) {
        remote.watch(c.settings);
        ASSERT_TRUE(test::waitUntil([&] { return dialogs.errors.contains(c.box); }))
            << dialogs.errors.join('\n').toStdString();
        EXPECT_FALSE(remote.watching());
    }
}

TEST(RemoteStationTest, ABrokerThatIsNotThereIsSaidAtOnceAndItsComingBackLogged) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    broker.stop();
    test::FakeDialogs dialogs;
    QTemporaryDir dir;
    QWidget window;
    ChartsSpy charts;
    RemoteStation remote(&window, charts, dir.filePath(QStringLiteral("kordel.ini")));
    QLabel status;
    remote.setStatusLabel(&status);
    ASSERT_TRUE(remote.watch({broker.url(), QStringLiteral("R1"), {}, {}, {}}));
    const QString refused = QStringLiteral("R1: cannot reach the broker at ") + broker.url() +
                            QStringLiteral(": connection refused");
    ASSERT_TRUE(test::waitUntil([&] { return status.text() == refused; }, 10000)) << status.text().toStdString();
    EXPECT_EQ(charts.log.back(), "Remote station: " + refused.mid(4).toStdString() + ", trying again every 2 s");
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(test::waitUntil([&] { return status.text() == QStringLiteral("R1: connected"); }));
    EXPECT_EQ(charts.log.back(), "Remote station: broker back at " + broker.url().toStdString());
    remote.stop();
}

TEST(RemoteStationTest, TheDialogStaysOpenWithWhatCannotBeUsed) {
    struct Case {
        kordel::RemoteStationSettings settings;
        QString problem;  // empty: accepted
    };
    const Case cases[] = {
        {{{}, QStringLiteral("R1"), {}, {}, {}}, QStringLiteral("The broker address is empty.")},
        {{QStringLiteral("mqtt://"), QStringLiteral("R1"), {}, {}, {}},
         QStringLiteral("mqtt://: the broker's host is missing")},
        {{QStringLiteral("mqtt://b"), {}, {}, {}, {}},
         QStringLiteral("The station code may hold only letters, digits, '-' and '_'.")},
        {{QStringLiteral("mqtt://b"), QStringLiteral("R1"), {}, {}, QStringLiteral("/ca.crt")},
         QStringLiteral("A CA file is for an mqtts:// broker.")},
        {{QStringLiteral("mqtts://b"), QStringLiteral("R1"), {}, {}, QStringLiteral("/ca.crt")}, {}},
    };
    for (const Case& c : cases) {
        TRemoteStationDialog dialog(c.settings);
        dialog.show();
        dialog.accept();
        EXPECT_EQ(dialog.isVisible(), !c.problem.isEmpty()) << c.problem.toStdString();
        EXPECT_EQ(dialog.Problem->text(), c.problem);
        EXPECT_EQ(dialog.settings().caFile, c.settings.caFile);
    }
}

TEST(RemoteStationTest, HandsOnTheStationsActivityMessagesRetainedOnesFirst) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    test::FakeDialogs dialogs;
    QTemporaryDir dir;
    QWidget window;
    ChartsSpy charts;
    RemoteStation remote(&window, charts, dir.filePath(QStringLiteral("kordel.ini")));
    QList<QByteArray> activity;
    QList<int> oversized;
    QObject::connect(&remote, &RemoteStation::activityReceived, [&](const QByteArray& p) { activity << p; });
    QObject::connect(&remote, &RemoteStation::activityOversized, [&](int bytes) { oversized << bytes; });
    FakeStation station(broker);
    // Retained before the watcher comes: the watcher still gets the station's latest state.
    const QByteArray retained = R"({"time":"2026-12-08T13:45:00Z","station":"R2","k":6,"provisional":true,"level":"amber","dbdt_max_10min":12.3,"alert":"k"})";
    station.send("kordel/R2/activity", retained, true);
    remote.setAsk([&](QWidget*, const RemoteStationSettings&) {
        return RemoteStationSettings{broker.url(), QStringLiteral("R2"), QStringLiteral("watcher"), QStringLiteral("pw"), {}};
    });
    remote.action()->trigger();
    ASSERT_TRUE(test::waitUntil([&] { return activity.size() == 1; }));
    EXPECT_EQ(activity[0], retained);
    station.send("kordel/R2/activity", QByteArray(2000, 'x'));  // over 1 KiB: only its size
    station.send("kordel/R2/activity", "not json");             // handed on as it came: the reader refuses it
    station.send("kordel/R3/activity", "another station's");
    ASSERT_TRUE(test::waitUntil([&] { return activity.size() == 2; }));
    EXPECT_EQ(activity[1], QByteArray("not json"));
    EXPECT_EQ(oversized, QList<int>({2000}));
    remote.stop();
}
