#pragma once
// The window's charts as one component: the six stacked channel panels (a
// value zoom bar and a chart each) with the splitters between them, the time
// zoom bar, the channels' check boxes, "Pause", Range, Zoom, "Mouse" and
// "Auto Y". It owns the time and value windows, the cursor lines and the
// read-out, the keys, the wheel, the box and the double click, and the
// Statistics window that follows the time window.
//
// The widget itself is the panel area; its controls are made with the parent
// the owner names and placed by the owner (the control bar). Whatever the view
// shows comes from a record (a file, a folder, or a growing live record) or,
// for the live view, from the points appended to the charts.
//
// What the view shows is one value, ChartViewState: the owner saves it in
// the settings file and the picture exporter draws it as it stands.
//
// Times are date-time numbers (days since 30 December 1899); values are in
// the channels' units.

#include <QElapsedTimer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "charts/channellayout.h"
#include "charts/chartlogic.h"
#include "processing/flags.h"

class QCheckBox;
class QTimer;
class QRect;
class QToolButton;
class ChannelChart;
class TStatistics;
class TZoomler;

namespace kordel {

class Record;
class SettingsStore;

// What the charts show, as one value.
struct ChartViewState {
    static constexpr int kChannels = ChannelLayout::kChannels;
    AxisRange time;                            // the time window
    std::array<AxisRange, kChannels> values{};  // each chart's value window (2 % to 98 % of its height)
    std::array<bool, kChannels> shown{};       // the check boxes
    std::array<QString, kChannels> names{};     // "Bx", "H", "F", …; empty where the source has no such channel
    std::array<QString, kChannels> units{};     // "nT", "°C", "arcmin", …
    std::array<QString, kChannels> captions{};  // the value axes' titles ("Bx, nT", "D, arcmin")
    std::array<int, kChannels> channels{};     // the record's channel on each chart, -1 for none
    std::array<int, kChannels> heights{};      // the charts' heights, pixels
    int chartWidth = 0;                        // the charts' width, pixels (the panel less its zoom bar)
    bool autoY = false;                        // each value window fits what the time window shows
    QString timeReference;                     // the time axis's name: "instrument clock", "UT"
    QSize size;                                // the panel area's size, pixels
};

class ChartView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannels = ChannelLayout::kChannels;
    static constexpr int kTotalField = 5;  // the chart of F = sqrt(Bx² + By² + Bz²)
    // Pixels a splitter's grab area reaches beyond its 2 drawn ones, each side.
    static constexpr int kSplitterGrip = 2;

    // `controls` is the parent of the check boxes, buttons and the time bar;
    // `recording` tells whether lines are being recorded now (the live axes
    // then follow the newest samples unless "Pause" is pressed); `hasSource`
    // whether anything was opened or recorded since the start (before that the
    // cursor reads nothing).
    ChartView(QWidget* controls, std::function<bool()> recording, std::function<bool()> hasSource,
              QWidget* parent = nullptr);
    ~ChartView() override;

    // ---- the data shown ----
    void ClearCharts();
    // The charts show the record, one channel each (F computed or the file's own).
    void showRecord(const std::shared_ptr<const Record>& record);
    // The four elements of an IAGA-2002 record on the first four charts,
    // captioned by their letters, the other charts hidden.
    void showElements(const std::shared_ptr<const Record>& record, const std::string& elements);
    // The record shown again in another version of the same samples (another
    // data level): the channels and the time window stay, the value bars fit
    // the new values (a spike left out no longer sets their range).
    void replaceRecord(const std::shared_ptr<const Record>& record);
    // The flagged stretches, as bands on the charts of the channels they
    // name; F's chart, computed from the field components, takes theirs too.
    void setFlags(std::vector<Flag> flags);
    const std::vector<Flag>& flags() const { return flags_; }
    // The data level the record is shown at ("cleaned level"), named after the
    // Statistics window's time window; empty: none named.
    void setLevelName(const QString& name);
    // The live view: one sample at date-time number x, on all charts (F
    // computed), into the growing record of the day, which keeps every sample
    // received. Following, the charts show the latest kLiveWindow samples and
    // their values fit them; paused, the whole record can be read and zoomed.
    static constexpr std::size_t kLiveWindow = 600;
    void appendSample(double x, const std::array<double, 5>& values);
    // The growing record of the live view (none before the first sample).
    std::shared_ptr<const Record> liveRecord() const { return live_; }
    // The live view's drawing waits for its frame (at most one per 40 ms);
    // this does a waiting one now (tests, benchmarks, a picture of the view).
    void flushLive();
    // Paused, the time bar spans the live points held, its window what is shown.
    void fitLiveTimeBar();
    // Lines arrive live (recording or watching): "Pause" is usable.
    void setLiveSource(bool live);
    // Recording locks the bars, Range, Zoom and "Mouse"; the end releases "Pause".
    void setRecording(bool recording, bool live);
    bool paused() const;

    // The time window on [from, to] (date-time numbers), kept within the time bar's range.
    void showTimeWindow(double from, double to) { setTimeWindow(from, to); }

    // ---- state ----
    ChartViewState state() const;
    // The record the charts show (none before anything was opened or recorded).
    std::shared_ptr<const Record> shownRecord() const;
    // Some samples are on the charts.
    bool showsRecord() const;
    // The clock the times are in, named under the lowest chart's time axis.
    static QString instrumentClockName() { return QStringLiteral("instrument clock"); }
    // The check boxes' states and the panels' heights of the settings file.
    void restoreSettings(const SettingsStore& settings, const QString& section);
    void saveSettings(SettingsStore& settings, const QString& section) const;

    // ---- handlers ----
    void CheckBox0Click(int channel);
    void PauseButtonClick();
    void SpeedButton9Click();   // Range
    void SpeedButton10Click();  // Zoom
    void CrossMouseCBClick();
    void AutoYCBClick();
    void XZoomlerChanged();
    void Zoomler0Changed(int channel);
    void Chart0Click(int chart);
    void Chart0Exit();
    void Chart0MouseMove(int chart, int x, int y);
    // The mouse's zooms: the wheel over a chart zooms the time window about
    // the mouse (over the value axis, that chart's value window), a box zooms
    // to it, a double click shows all. The zoom bars follow.
    // Turned fast (notches `timestampMs` apart by at most kQuickNotchMs) or
    // with Ctrl, a notch zooms further (wheelZoomFactor).
    void ChartWheel(int chart, int x, int y, int delta, Qt::KeyboardModifiers modifiers = {},
                    qint64 timestampMs = -1);
    void ChartBox(int chart, const QRect& box);
    void ChartDoubleClick();
    // A splitter below panel `splitter` was pressed, or dragged `dy` pixels
    // from where it was pressed: the panel above it takes the difference.
    void Splitter0Pressed(int splitter);
    void Splitter0Moved(int splitter, int dy);
    // PageUp, PageDown, Left, Right, Home, End scroll the time window.
    void ScrollByKey(int key);
    // View > "Statistics": the window shows, and follows the time window.
    void Statistics1Click();

    void LayoutChannels();
    void FitZoomBars();
    void ShowAll();
    void DrawCursorLines(double x);
    void EraseCursorLines();
    // The lines and the read-out again at the mouse's position, or no lines
    // when the mouse is not over a shown chart.
    void redrawCursorLines();
    void fitValuesToTimeWindow();
    void updateStatistics();

    // The zoom bars with their type (XZoomler and Zoomler[k] are these).
    TZoomler* XZoomlerBar() const;
    TZoomler* ZoomlerBar(int channel) const;
    // The cursor line's pixel column on chart k, -1 when none is drawn.
    int cursorLinePosition(int chart) const;
    // Every chart does its pending replot now (benchmarks and tests).
    void replotCharts(bool immediate = false);
    int selectedChart() const { return selectedChart_; }
    const ChannelLayout& channelLayout() const { return layout_; }

    // ---- components, by their designer names ----
    std::array<QCheckBox*, kChannels> CheckBox{};
    QToolButton* PauseButton = nullptr;  // "Pause", checkable
    QToolButton* SpeedButton9 = nullptr;   // Range
    QToolButton* SpeedButton10 = nullptr;  // Zoom
    QCheckBox* CrossMouseCB = nullptr;     // "Mouse"
    QCheckBox* AutoYCB = nullptr;          // "Auto Y"
    QWidget* XZoomler = nullptr;
    QWidget* PanelArea = nullptr;  // this widget
    std::array<QWidget*, kChannels> Panel{};
    std::array<QWidget*, kChannels - 1> Splitter{};
    std::array<QWidget*, kChannels> Zoomler{};
    std::array<ChannelChart*, kChannels> Chart{};
    TStatistics* Statistics = nullptr;  // made at its first showing

signals:
    // The cursor read-out's text (empty when it belongs to nothing shown).
    void readoutChanged(const QString& text);
    // The newest live sample, as the status bar shows it ("HH:mm:ss  X: …"),
    // once per drawing of the live view.
    void latestSampleChanged(const QString& text);
    // A failure the user is to be told of (no memory left for live samples).
    void failed(const QString& message);
    // A time range dragged with Shift on chart `chart` (date-time numbers), to be flagged.
    void rangeSelected(double from, double to, int chart);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls(QWidget* controls);
    void buildChannelPanels();
    void applyLayout();
    bool followingLive() const;
    // The time window on the latest kLiveWindow live samples, values fitted.
    void followLatest();
    void showRecordReadout(const Record& record, double time, const AxisRange& visible);
    // The charts take the record's channels: their names, units and captions,
    // the check boxes of the channels it has, and the channels last shown for
    // records of its kind. `elements`: an IAGA-2002 record, its elements on
    // the first charts in the file's order.
    void takeChannels(const Record& record, bool elements);
    std::array<bool, kChannels> checkedBoxes() const;
    void setCheckedBoxes(const std::array<bool, kChannels>& checked);
    // The time bar's window (all charts) or chart k's value window set as a
    // zoom bar sets it, kept within the bar's range.
    void setTimeWindow(double start, double finish);
    void setValueWindow(int chart, double low, double high);
    // The samples of chart k's channel within its time window, or nothing.
    std::optional<std::pair<double, double>> visibleExtent(int chart) const;

    std::function<bool()> recording_;
    std::function<bool()> hasSource_;
    ChannelLayout layout_;
    std::shared_ptr<Record> live_;
    bool liveFull_ = false;  // memory ran out: further live samples are not drawn
    // The live view's drawing, once per frame at most (scheduleLiveUpdate).
    static constexpr int kLiveFrameMs = 40;
    void scheduleLiveUpdate();
    void updateLive();
    // The newest sample's text for the status bar, "Paused  " before it while paused.
    void emitLatestSample();
    QTimer* liveTimer_ = nullptr;
    QElapsedTimer sinceLiveUpdate_;
    double latestX_ = 0;
    std::array<double, 5> latestValues_{};
    int splitterPressHeight_ = 0;
    int selectedChart_ = -1;
    qint64 lastNotchMs_ = 0;  // the wheel's last notch, for a quick series
    int notchStreak_ = 0;
    // The kind of the record shown (Record::kind()) and the check boxes last
    // set for each other kind, so an observatory's file and our own daily
    // files each keep their own choice.
    std::string kind_;
    std::map<std::string, std::array<bool, kChannels>> shownByKind_;
    std::array<int, kChannels> channelOnChart_{};
    std::array<QString, kChannels> names_{};
    std::array<QString, kChannels> units_{};
    std::vector<Flag> flags_;
    QString levelName_;
    void applyFlagBands();
};

}  // namespace kordel
