#pragma once
// The Data menu: clean data without touching the recording. The charts,
// the Statistics window and File > Export... show and write the record at a
// data level (raw, cleaned, corrected); the flags of the shown files' folders
// are marked on the charts; a time range dragged with Shift is flagged by
// hand (with a comment, in the folder's flag file and its edit log); the
// Flags window lists them and removes them; the detectors and the estimate
// of the temperature coefficients run over the opened files.
//
// The level is applied to a copy of the record as read, which stays: another
// level, a flag added or removed is shown at once, the time window kept. The
// live view (recording, watching a station) shows the samples as received,
// its flags marked; the level applies to what is opened.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/capability.h"
#include "processing/datalevel.h"
#include "processing/flags.h"
#include "processing/temperaturecorrection.h"

class FlagDialog;
class FlagsWindow;
class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace kordel {

class ChartView;
class Record;
class RecordOpening;
class RecordingRun;
struct CleaningContext;
struct CleaningOutcome;

struct DataCleaningParts {
    QWidget& window;
    ChartView& charts;
    RecordOpening& opening;               // its reads are brought to the level
    RecordingRun& run;                    // where the daily files are recorded to
    std::function<void(const QString&)> log;
    // Who, where and when (tests give their own).
    std::function<CleaningContext()> context;
};

class DataCleaning : public Capability {
    Q_OBJECT
public:
    explicit DataCleaning(DataCleaningParts parts);
    ~DataCleaning() override;

    QList<QAction*> menuActions() const override;
    void restoreSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;
    void setRecording(bool recording) override;

    DataLevel level() const { return level_; }
    void setLevel(DataLevel level);
    // What a file's header says of the shown record's level.
    std::string levelText() const { return levelText_; }

    // The record as read, at the level chosen (a record read anew, `inputs`
    // the files and folders it was read from).
    std::shared_ptr<const Record> levelled(std::shared_ptr<const Record> raw, const std::vector<std::string>& inputs);

    // A time range (date-time numbers) to flag on `chart`: the dialog, then the folder's file.
    void flagRange(double from, double to, int chart);
    // Who, where and when, from now on (tests fix them).
    void setContext(std::function<CleaningContext()> context) { parts_.context = std::move(context); }
    // How the flag dialog is answered; tests answer it without a modal loop.
    std::function<bool(FlagDialog&)> answerFlagDialog;
    // Data > "Flags...".
    void showFlags();
    FlagsWindow* flagsWindow() const;
    void removeFlags(const std::vector<Flag>& flags);
    // Data > "Find spikes and steps" and "Estimate temperature coefficients".
    void findSpikes();
    void estimateTemperature();

    // The folders whose flags apply: the opened files' or the recording's.
    std::vector<std::string> folders() const;

private:
    // The folders' flags and stored correction read, the bands redrawn.
    void readFolders();
    // The same, and the shown record brought to the level anew.
    void reload();
    // The level applied to a copy of raw_; the level's text and the status line set.
    std::shared_ptr<const Record> applyLevel();
    // The status line, and the level the charts' record is at named in the Statistics window.
    void setLevelStatus(const QString& status, DataLevel shown);
    void updateActions();
    // A step of exportcleaning over the opened files, on a thread of its own; the flags read again after it.
    using CleaningStep = CleaningOutcome (*)(const std::vector<std::string>&, const CleaningContext&);
    CleaningOutcome runStep(CleaningStep step, const char* purpose);
    // What a step found or failed at: to the log, and to the user.
    void report(const CleaningOutcome& out, const QString& logPrefix);
    // The charts still show what this made of raw_ (not a record read since, nor the live one).
    bool showsOurs() const;
    void showLevel();

    DataCleaningParts parts_;
    QMenu* menu_;
    QActionGroup* levels_;
    QAction* flagsAction_;
    QAction* spikesAction_;
    QAction* estimateAction_;
    QPointer<FlagsWindow> flagsWindow_;
    DataLevel level_ = DataLevel::Cleaned;
    bool recording_ = false;
    bool busy_ = false;
    std::shared_ptr<const Record> raw_;  // the record as read; none while live
    std::weak_ptr<const Record> shown_;  // what the charts were given of it
    std::vector<std::string> inputs_;
    std::vector<Flag> flags_;
    std::optional<TemperatureCorrection> stored_;
    std::string levelText_;
};

}  // namespace kordel
