// The program watching a station: kordel-sim on a pseudo-terminal feeds
// kordel-record, which publishes to a real broker; the main window shows the
// station's lines on its live charts and its state in the state panel, writes no
// daily file, and Stop ends the watching.

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <csignal>

#include "app/mainform.h"
#include "charts/chartview.h"
#include "brokerfixture.h"
#include "charts/channelchart.h"
#include "net/remotestation.h"
#include "testsupport.h"

using namespace kordel;

TEST(WatchEndToEnd, TheWindowShowsARemoteStationFedByKordelRecord) {
    test::Broker broker;
    ASSERT_TRUE(broker.ok()) << broker.output().toStdString();
    QTemporaryDir station;
    QTemporaryDir viewer;
    const QString link = station.filePath(QStringLiteral("link"));
    QProcess sim;
    sim.start(QStringLiteral(KORDEL_SIM_PATH), {QStringLiteral("--link"), link, QStringLiteral("--rate"), QStringLiteral("10")});
    ASSERT_TRUE(sim.waitForStarted(10000));
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(link); }));
    QProcess recorder;
    recorder.setWorkingDirectory(station.path());
    recorder.start(QStringLiteral(KORDEL_RECORD_PATH), {QStringLiteral("--port"), link, QStringLiteral("--mqtt"), broker.url(),
                                                       QStringLiteral("--station"), QStringLiteral("W1")});
    ASSERT_TRUE(recorder.waitForStarted(10000));

    const QString previous = QDir::currentPath();
    QDir::setCurrent(viewer.path());
    test::FakeDialogs dialogs;
    {
        MainFormOptions options;
        options.exeDir = viewer.path();
        TMainForm form(options);
        form.createSecondaryWindows();
        form.show();
        QStringList menu;
        for (QAction* a : form.menuBar()->actions()) menu << a->text();
        EXPECT_EQ(menu, (QStringList{QStringLiteral("File"), QStringLiteral("View"), QStringLiteral("ComPort"),
                                     QStringLiteral("Data"), QStringLiteral("Remote station..."), QStringLiteral("Help"),
                                     QStringLiteral("About")}));
        form.remoteStation()->setAsk([&](QWidget*, const RemoteStationSettings&) {
            return RemoteStationSettings{broker.url(), QStringLiteral("W1"), {}, {}, {}};
        });
        form.remoteStation()->action()->trigger();
        ASSERT_TRUE(test::waitUntil([&] {
            return form.charts().Chart[0]->pointCount() >= 5 && form.StatusPanel[3]->text() == QStringLiteral("W1: online");
        })) << form.StatusPanel[3]->text().toStdString();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Kordel-K5 - Remote station W1"));
        EXPECT_FALSE(form.SpeedButton8->isEnabled());  // no recording while watching

        form.SpeedButton7Click();
        EXPECT_FALSE(form.remoteStation()->watching());
        EXPECT_TRUE(form.SpeedButton8->isEnabled());
        EXPECT_EQ(form.StatusPanel[3]->text(), QString());
    }
    QDir::setCurrent(previous);
    if (recorder.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(recorder.processId()), SIGTERM);
        recorder.waitForFinished(10000);
    }
    sim.terminate();
    sim.waitForFinished(10000);
    EXPECT_TRUE(QDir(viewer.path()).entryList({QStringLiteral("*.pc")}, QDir::Files).isEmpty());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}
