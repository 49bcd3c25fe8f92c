#pragma once
// The main window: the bar of controls with the time zoom bar along its bottom,
// the five stacked channel panels, the status bar. It holds the program's shared
// state (the link state, the current data file, the layout of the channels …)
// and the handlers of its controls; each handler reads its controls, calls the
// logic and shows the result.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "app/log/eventlog.h"
#include "charts/channellayout.h"
#include "files/dailyrecorder.h"
#include "files/recentfiles.h"
#include "link/arrowindicator.h"
#include "link/replycollector.h"
#include "link/serialport.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QToolButton;
class QKeyEvent;
class QRect;
class QDragEnterEvent;
class QDropEvent;

class TLogFile;
class ChannelChart;
class ChannelSplitter;
class TZoomler;
class TAboutBox;
class Tinf;
class TFlash;
class TForm6;
class TYesNo;
class TStatistics;

namespace kordel {
class PortRetry;
class RemoteStation;
class SettingsStore;
struct SeriesData;
class Record;
struct AxisRange;
}

// What the process start hands to the main window.
struct MainFormOptions {
    QString exeDir;         // the executable's folder (the running one's when empty): "kordel.ini" lies
                            // there unless it is a system folder or not writable
    QString dataFile;       // first command-line argument, if any
    QStringList dataFiles;  // every file or folder named on the command line
    QString portName;       // "--port NAME"; the platform's first serial port when empty
    // Makes the serial port; the real one when empty (tests put in their own).
    std::function<std::unique_ptr<kordel::SerialPort>(const kordel::PortSettings&)> portFactory;
};

// Link states: what the bytes arriving at the serial port are.
enum LinkState : std::uint16_t {
    Idle = 0,
    Recording = 11,
    AwaitDateTime = 51,
    TimeSet = 52,
    AwaitSaveAck = 82,
    AwaitStatus = 83,
};

class TMainForm : public QMainWindow, private kordel::RecorderListener {
    Q_OBJECT
public:
    static constexpr int kChannels = kordel::ChannelLayout::kChannels;
    static constexpr int kTotalField = 5;  // the channel of F = sqrt(Bx² + By² + Bz²)
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
    void CheckBox0Click(int channel);
    void SpeedButton8Click();  // Record
    void SpeedButton7Click();  // Stop
    void SpeedButton5Click();  // Status
    void SpeedButton3Click();  // Flash
    void SpeedButton6Click();  // log-file
    void SpeedButton9Click();  // Range
    void SpeedButton10Click(); // Zoom
    void CrossMouseCBClick();
    void XZoomlerChanged();
    void Zoomler0Changed(int channel);
    void OpenDATA1Click();
    void OpenFolder1Click();  // "Open &folder..."
    void MRU_DATAClick(const QString& fileName);
    void Exit1Click();
    void N24Click();  // "ComPort"
    void N2Click();   // "About"
    void FormKeyDown(QKeyEvent* event);
    void ComPortRxChar();

    // ---- services of the other subsystems ----
    void LayoutChannels();
    void ClearCharts();
    void ScrollByKey(int key);
    // Plots a data file; false when it could not be opened or read.
    bool LoadDataFile(const QString& fileName);
    // Plots files and folders (their *.pc and *.fl files) as one record in
    // time order; false when nothing could be read.
    bool LoadDataFiles(const QStringList& paths);
    // The charts show the record, one channel each.
    void showRecord(const std::shared_ptr<const kordel::Record>& record);
    // The charts' side of recording and reading: one sample on all five
    // channels, the oldest one dropped, or a whole file's columns at once.
    void appendSample(double x, const std::array<double, 5>& values);
    void dropOldestSample();
    void appendSeries(const kordel::SeriesData& data);
    void FitZoomBars();
    // Bytes of a receive event while a reply is awaited.
    void CollectReply(const QByteArray& bytes);

    // ---- state ----
    kordel::RemoteStation* remoteStation() const { return remote_; }
    const QString& startFolder() const { return startFolder_; }
    const kordel::EventLog& eventLog() const { return log_; }
    QString settingsFileName() const;
    const QString& currentDataFileName() const { return currentDataFileName_; }
    std::uint8_t currentDay() const { return recorder_->currentDay(); }
    std::int32_t lineCount() const { return recorder_->lineCount(); }
    std::uint16_t blockPosition() const {
        return static_cast<std::uint16_t>(recorder_->pendingBytes() + 1);
    }
    std::uint8_t arrowCounter() const { return arrow_.counter(); }
    std::uint16_t linkState() const { return linkState_; }
    std::uint16_t dateTimeReplyCount() const { return dateTimeReplyCount_; }
    int selectedChart() const { return selectedChart_; }
    bool answerFlag() const { return answerFlag_; }
    QString portName() const { return ComPort1->settings().portName; }
    const kordel::ChannelLayout& channelLayout() const { return layout_; }
    kordel::SerialPort& serialPort() { return *ComPort1; }
    void setLinkState(std::uint16_t state) { linkState_ = state; }
    // Opens the port when it is closed (at 9600 baud when `resetBaud`); a failure
    // goes to the general error report and gives false.
    bool openPort(bool resetBaud);
    // Writes a command frame in one piece; a failure is reported, gives false.
    bool sendToPort(const QByteArray& frame);
    const kordel::RecentFiles& recentData() const { return mruData_; }
    const kordel::RecentFiles& recentFlash() const { return mruFlash_; }
    const QString& openDialogInitialDir() const { return openDialogInitialDir_; }

    // ---- components, by their designer names ----
    std::array<QCheckBox*, kChannels> CheckBox{};
    QToolButton* SpeedButton8 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SpeedButton9 = nullptr;
    QToolButton* SpeedButton10 = nullptr;
    QLabel* Panel8 = nullptr;
    QCheckBox* CrossMouseCB = nullptr;
    QCheckBox* AutoYCB = nullptr;  // "Auto Y": the value windows fit the visible samples
    QWidget* XZoomler = nullptr;
    QWidget* PanelArea = nullptr;
    std::array<QWidget*, kChannels> Panel{};
    std::array<QFrame*, kChannels - 1> Splitter{};
    std::array<QWidget*, kChannels> Zoomler{};
    std::array<ChannelChart*, kChannels> Chart{};
    QStatusBar* StatusBar1 = nullptr;
    // Panel 0 empty, 1 under the progress bar, 2 the cursor read-out, 3 the
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
    TStatistics* Statistics = nullptr;  // made at its first showing
    QAction* N24 = nullptr;
    QAction* N2 = nullptr;

    TLogFile* LogFile = nullptr;
    TAboutBox* AboutBox = nullptr;
    Tinf* inf = nullptr;
    TFlash* Flash = nullptr;
    TForm6* Form6 = nullptr;
    TYesNo* YesNo = nullptr;

    // ---- replies ----
    // The Status window's commands; its handlers call these.
    void requestDateTime();             // View time; also after a status reply in mode OFF
    void setInstrumentTime();           // Set time
    void chooseSaveTarget(bool flash);  // a save-target choice became selected
    void closeStatusWindow();           // the Status window's Close button
    std::uint16_t saveTargetReplyCount() const { return saveTargetReplyCount_; }
    std::uint16_t statusReplyCount() const { return statusReplyCount_; }
    bool statusLoaded() const { return statusLoaded_; }

private:
    void applyDateTimeReply(kordel::CollectResult::Outcome outcome);
    void applyStatusReply();

    kordel::ReplyCollector replies_;  // the reply buffer the three replies share
    std::uint16_t saveTargetReplyCount_ = 0;
    std::uint16_t statusReplyCount_ = 0;
    // False from the Status command until its reply has been applied.
    bool statusLoaded_ = false;
    // ---- end of replies ----

    // ---- charts ----
public:
    // The chart handlers; `chart` is the chart's number (its tag).
    void Chart0Click(int chart);
    void Chart0Exit();
    void Chart0MouseMove(int chart, int x, int y);
    void DrawCursorLines(double x);
    void EraseCursorLines();
    // The lines and the read-out again at the mouse's position, or no lines
    // when the mouse is not over a shown chart.
    void redrawCursorLines();
    void ShowAll();
    // The mouse's zooms: the wheel over a chart zooms the time window about
    // the mouse (over the value axis, that chart's value window), a box zooms
    // to it, a double click shows all. The zoom bars follow.
    void ChartWheel(int chart, int x, int y, int delta);
    void ChartBox(int chart, const QRect& box);
    void ChartDoubleClick();
    // "Auto Y": checked, every change of the time window fits each value
    // window to the samples it shows.
    void AutoYCBClick();
    // View > "Statistics": the window shows, and follows the time window.
    void Statistics1Click();
    void updateStatistics();
    void fitValuesToTimeWindow();
    // A splitter below panel `splitter` was pressed, or dragged `dy` pixels
    // from where it was pressed: the panel above it takes the difference.
    void Splitter0Pressed(int splitter);
    void Splitter0Moved(int splitter, int dy);
    // The zoom bars with their type (XZoomler and Zoomler[k] are these).
    TZoomler* XZoomlerBar() const;
    TZoomler* ZoomlerBar(int channel) const;
    // The cursor line's pixel column on chart k, -1 when none is drawn.
    int cursorLinePosition(int chart) const;
    // Every chart does its pending replot now (benchmarks and tests).
    void replotCharts(bool immediate = false);

private:
    void showRecordReadout(const kordel::Record& record, double time, const kordel::AxisRange& visible);
    // The time bar's window (all charts) or chart k's value window set as a
    // zoom bar sets it, kept within the bar's range.
    void setTimeWindow(double start, double finish);
    void setValueWindow(int chart, double low, double high);
    int splitterPressHeight_ = 0;
    // ---- end of charts ----

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
    void buildChannelPanels(QWidget* area);
    void buildStatusBar();
    void placeRemoteStation();
    void FormCreate(const MainFormOptions& options);
    void applyLayout();
    void placeProgressBar();
    void rebuildRecentMenu();
    void closeSerialPort();
    void setRecordingLocks(bool recording);
    void onPortFailed(const QString& message);
    void onPortReopened();
    // The last log entry; a failure is shown at once, or on stderr when no
    // event loop is left to show it.
    void logExit();

    // What the daily recorder reports.
    void onDailyFileStarted(const std::string& name) override;
    void onSample(const kordel::DecodedSample& sample, bool dropOldest) override;
    void onLog(const std::string& text) override;
    void onFileError(const std::string& message) override;

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
    std::unique_ptr<kordel::DailyRecorder> recorder_;
    kordel::PortRetry* portRetry_ = nullptr;
    // Watching another station's lines over the network; it owns its menu
    // item, settings section and status text, the window only places them.
    kordel::RemoteStation* remote_ = nullptr;
    std::uint16_t linkState_ = Idle;
    std::uint16_t dateTimeReplyCount_ = 0;
    int selectedChart_ = 0;
    bool answerFlag_ = false;

    kordel::ChannelLayout layout_;
    kordel::RecentFiles mruData_;
    kordel::RecentFiles mruFlash_;
};
