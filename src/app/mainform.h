#pragma once
// The main window: the bar of controls with the time zoom bar along its bottom,
// the chart component (kordel::ChartView) below it, the status bar. It holds
// the program's shared state (the current data file, the recent files …) and
// the handlers of its controls. The charts, the opening of files, the recording
// run, the instrument session (which holds the link state) and the capabilities
// are objects of their own that it places, connects and forwards to.

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "app/log/eventlog.h"
#include "files/recentfiles.h"
#include "link/arrowindicator.h"
#include "link/instrumentsession.h"
#include "link/serialport.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QToolButton;
class QKeyEvent;
class QDragEnterEvent;
class QDropEvent;

class TLogFile;
class TAboutBox;
class Tinf;
class TFlash;
class TForm6;
class TYesNo;

namespace kordel {
class Capability;
class FlashConversion;
class RecordExport;
struct DecodedSample;
class RecordingRun;
class RemoteStation;
class RecorderEvents;
class SettingsStore;
class ChartView;
class RecordOpening;
}

// What the process start hands to the main window.
struct MainFormOptions {
    QString exeDir;         // the executable's folder (the running one's when empty): "kordel.ini" lies
                            // there unless it is a system folder or not writable
    QString dataFile;       // first command-line argument, if any
    QStringList dataFiles;  // every file or folder named on the command line
    QString portName;       // "--port NAME"; the platform's first serial port when empty
    QString outputDir;      // "--output-dir DIR": the recordings folder of this run, over the setting
    // Makes the serial port; the real one when empty (tests put in their own).
    std::function<std::unique_ptr<kordel::SerialPort>(const kordel::PortSettings&)> portFactory;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    static const QString kVersionText;  // "Version 1.4 - 22.05.2007"
    static const QString kStopAndExitQuestion;
    // The message for a data file that does not exist.
    static QString notFoundText(const QString& fileName);

    explicit TMainForm(const MainFormOptions& options = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Creates the secondary windows in their fixed order; process start calls it
    // right after the main window (whose creation must come first) exists.
    void createSecondaryWindows();

    // Appends one entry to the event log; a failure goes to the general error
    // report and the program goes on.
    void WriteLog(const QString& text);
    // The same for a text that holds bytes as they were received: they reach
    // the file unchanged.
    void WriteLogBytes(std::string_view bytes);

    // ---- handlers ----
    void SpeedButton8Click();  // Record
    void SpeedButton7Click();  // Stop
    void SpeedButton5Click();  // Status
    void SpeedButton3Click();  // Flash
    void SpeedButton6Click();  // log-file
    void OpenDATA1Click();
    void OpenFolder1Click();  // "Open &folder..."
    void MRU_DATAClick(const QString& fileName);
    void Exit1Click();
    void N24Click();  // "ComPort"
    void N2Click();   // "About"
    void FormKeyDown(QKeyEvent* event);
    void ComPortRxChar();

    // ---- services of the other subsystems ----
    // Plots a data file; false when it could not be opened or read.
    bool LoadDataFile(const QString& fileName);
    // Plots files and folders (their *.pc and *.fl files) as one record in
    // time order, or IAGA-2002 files' elements; false when nothing could be
    // read or the read was cancelled (what was shown then stays).
    bool LoadDataFiles(const QStringList& paths);

    // ---- state ----
    kordel::RemoteStation* remoteStation() const { return remote_; }
    const QString& startFolder() const { return startFolder_; }
    const kordel::EventLog& eventLog() const { return log_; }
    QString settingsFileName() const;
    const QString& currentDataFileName() const { return currentDataFileName_; }
    std::uint8_t currentDay() const;
    std::int32_t lineCount() const;
    std::uint16_t blockPosition() const;
    std::uint8_t arrowCounter() const { return arrow_.counter(); }
    // The link state and the reply counts are the instrument session's.
    std::uint16_t linkState() const;
    std::uint16_t dateTimeReplyCount() const;
    bool answerFlag() const { return answerFlag_; }
    QString portName() const { return ComPort1->settings().portName; }
    // The charts, their controls and their state.
    kordel::ChartView& charts() const { return *charts_; }
    kordel::SerialPort& serialPort() { return *ComPort1; }
    void setLinkState(std::uint16_t state);
    kordel::InstrumentSession& instrumentSession() { return *session_; }
    // Opens the port when it is closed (at 9600 baud when `resetBaud`); a failure
    // goes to the general error report and gives false.
    bool openPort(bool resetBaud);
    // An unexpected port failure: logged, then shown in the general error report.
    void reportError(const QString& message);
    const kordel::RecentFiles& recentData() const { return mruData_; }
    const QString& openDialogInitialDir() const { return openDialogInitialDir_; }

    // ---- components, by their designer names ----
    QToolButton* SpeedButton8 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QLabel* Panel8 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // Panel 0 the latest live sample (empty otherwise), 1 under the progress bar, 2 the cursor read-out, 3 the
    // program's own state (the file being recorded, a port being waited for).
    std::array<QLabel*, 4> StatusPanel{};
    QProgressBar* ProgressBar1 = nullptr;
    std::unique_ptr<kordel::SerialPort> ComPort1;
    QMenu* N5 = nullptr;  // "File"
    QAction* OpenDATA1 = nullptr;
    QAction* OpenFolder1 = nullptr;
    QMenu* Recentdata1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* View1 = nullptr;         // "View"
    QAction* Statistics1 = nullptr;  // "Statistics"
    QAction* N24 = nullptr;
    QAction* N2 = nullptr;

    TLogFile* LogFile = nullptr;
    TAboutBox* AboutBox = nullptr;
    Tinf* inf = nullptr;
    TFlash* Flash = nullptr;
    TForm6* Form6 = nullptr;
    TYesNo* YesNo = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Files and folders dropped on the window open as File > Open opens them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void buildStatusBar();
    // The capabilities beyond the core, each owning its actions, windows,
    // settings section and status text; the window places them in one loop.
    void createCapabilities();
    // Its status text goes to `statusLabel`, or to a status bar label of its own.
    void placeCapability(kordel::Capability* capability, QLabel* statusLabel = nullptr);
    // The charts' and the log's side of recorded (or watched) lines.
    void connectCharts(kordel::RecorderEvents& events);
    void placeRemoteStation();
    void FormCreate(const MainFormOptions& options);
    void placeProgressBar();
    void rebuildRecentMenu();
    // Opens files and folders; read, Range and Zoom are usable and the log tells what.
    void openAndLog(const QStringList& paths);
    void closeSerialPort();
    void setRecordingLocks(bool recording);
    void onPortFailed(const QString& message);
    // The last log entry; a failure is shown at once, or on stderr when no
    // event loop is left to show it.
    void logExit();

    // The recording run and what its recorder reports.
    void connectRecordingRun();
    void connectInstrumentSession();
    void createStatusWindow();
    void onDailyFileStarted(const std::string& name);
    void onSample(const kordel::DecodedSample& sample, bool dropOldest);
    void onLog(const std::string& text);
    void onFileError(const std::string& message);

    // Settings file: restored at the first showing, written once at close.
    void restoreSettings();
    void restorePlacement();
    void restoreProperties();
    void saveSettings();

    QString startFolder_;
    kordel::EventLog log_;
    std::unique_ptr<kordel::SettingsStore> settingsFile_;
    QString settingsNote_;  // where the settings lie, when not beside the executable
    bool settingsRestored_ = false;
    bool settingsSaved_ = false;
    bool exitLogged_ = false;
    QString openDialogInitialDir_;

    QString currentDataFileName_;
    kordel::ArrowIndicator arrow_;
    kordel::RecordingRun* run_ = nullptr;
    kordel::InstrumentSession* session_ = nullptr;
    std::vector<kordel::Capability*> capabilities_;  // children of the window
    kordel::FlashConversion* flash_ = nullptr;
    kordel::RecordExport* export_ = nullptr;  // File > Export...
    // Watching another station's lines over the network: a capability like
    // the others, whose lines reach the charts through their own events.
    kordel::RemoteStation* remote_ = nullptr;
    bool answerFlag_ = false;
    kordel::ChartView* charts_ = nullptr;
    kordel::RecordOpening* opening_ = nullptr;  // reads files in the background
    kordel::RecentFiles mruData_;
};
