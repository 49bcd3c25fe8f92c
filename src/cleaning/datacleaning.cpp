#include "cleaning/datacleaning.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMenu>
#include <algorithm>
#include <new>
#include <thread>

#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "charts/chartview.h"
#include "cleaning/flagdialog.h"
#include "cleaning/flagswindow.h"
#include "exchange/exportcleaning.h"
#include "files/recordopening.h"
#include "link/recordingrun.h"
#include "processing/folderflags.h"
#include "record/record.h"
#include "record/totalfield.h"

namespace kordel {

namespace {

const QString kSection = QStringLiteral("Data");

QString text(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines) out << QString::fromStdString(l);
    return out.join(QLatin1Char('\n'));
}

// `work` on a thread of its own while the window's events go on; returns when it is done.
template <class Work>
void inBackground(Work work) {
    QEventLoop loop;
    std::jthread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    QApplication::setOverrideCursor(Qt::BusyCursor);
    loop.exec();
    QApplication::restoreOverrideCursor();
}

// F computed from the field components follows them: a component left out
// or corrected leaves out or changes F too.
void refreshTotalField(Record& record) {
    const auto f = record.findChannel("F");
    const auto x = record.findChannel("Bx"), y = record.findChannel("By"), z = record.findChannel("Bz");
    if (f && x && y && z) record.replaceColumn(*f, totalFieldColumn(record, *x, *y, *z));
}

}  // namespace

DataCleaning::DataCleaning(DataCleaningParts parts) : Capability(&parts.window), parts_(std::move(parts)) {
    setObjectName(QStringLiteral("DataCleaning"));
    answerFlagDialog = [](FlagDialog& d) { return d.exec() == QDialog::Accepted; };
    menu_ = new QMenu(QStringLiteral("Data"), &parts_.window);
    menu_->setObjectName(QStringLiteral("Data1"));
    QMenu* levelMenu = menu_->addMenu(QStringLiteral("Level"));
    levelMenu->setObjectName(QStringLiteral("Level1"));
    levels_ = new QActionGroup(this);
    const struct {
        DataLevel level;
        const char* caption;
        const char* tip;
    } kLevels[] = {
        {DataLevel::Raw, "Raw", "The samples as recorded; flags are only marked"},
        {DataLevel::Cleaned, "Cleaned", "Samples under spike and remove flags left out"},
        {DataLevel::Corrected, "Corrected", "Cleaned, and the sensor's temperature correction taken off"},
    };
    for (const auto& l : kLevels) {
        QAction* a = levelMenu->addAction(QString::fromLatin1(l.caption));
        a->setObjectName(QStringLiteral("Level") + QString::fromLatin1(l.caption));
        a->setToolTip(QString::fromLatin1(l.tip));
        a->setCheckable(true);
        a->setChecked(l.level == level_);
        a->setData(static_cast<int>(l.level));
        levels_->addAction(a);
        connect(a, &QAction::triggered, this, [this, level = l.level] { setLevel(level); });
    }
    flagsAction_ = menu_->addAction(QStringLiteral("Flags..."), this, &DataCleaning::showFlags);
    flagsAction_->setObjectName(QStringLiteral("Flags1"));
    menu_->addSeparator();
    spikesAction_ = menu_->addAction(QStringLiteral("Find spikes and steps"), this, &DataCleaning::findSpikes);
    spikesAction_->setObjectName(QStringLiteral("FindSpikes1"));
    estimateAction_ =
        menu_->addAction(QStringLiteral("Estimate temperature coefficients"), this, &DataCleaning::estimateTemperature);
    estimateAction_->setObjectName(QStringLiteral("EstimateTemperature1"));

    // The window's parts go in an order of their own at its close: the hook asks whether this is still there.
    parts_.opening.setLevelling([self = QPointer<DataCleaning>(this)](std::shared_ptr<const Record> raw,
                                                                      const std::vector<std::string>& inputs) {
        return self ? self->levelled(std::move(raw), inputs) : raw;
    });
    connect(&parts_.charts, &ChartView::rangeSelected, this, &DataCleaning::flagRange);
    updateActions();
}

DataCleaning::~DataCleaning() = default;

QList<QAction*> DataCleaning::menuActions() const { return {menu_->menuAction()}; }

void DataCleaning::restoreSettings(const SettingsStore& store) {
    if (const auto v = store.value(kSection, QStringLiteral("Level"))) {
        if (const auto level = parseDataLevel(v->toStdString())) {
            level_ = *level;
            for (QAction* a : levels_->actions()) a->setChecked(a->data().toInt() == static_cast<int>(level_));
        }
    }
}

void DataCleaning::saveSettings(SettingsStore& store) const {
    store.setValue(kSection, QStringLiteral("Level"), QString::fromUtf8(dataLevelName(level_).data()));
}

void DataCleaning::setRecording(bool recording) {
    recording_ = recording;
    if (recording) {
        // The live view shows what arrives; the flags of its folder are marked.
        raw_.reset();
        const std::string folder = parts_.run.outputDir();
        inputs_ = {folder.empty() ? QDir::currentPath().toStdString() : folder};
        reload();
    }
    updateActions();
}

void DataCleaning::updateActions() {
    const bool files = raw_ != nullptr && !recording_;
    levels_->setEnabled(!recording_ && !busy_);
    spikesAction_->setEnabled(files && !busy_);
    estimateAction_->setEnabled(files && !busy_);
    flagsAction_->setEnabled(!busy_);
}

std::vector<std::string> DataCleaning::folders() const { return inputFolders(inputs_); }

std::shared_ptr<const Record> DataCleaning::levelled(std::shared_ptr<const Record> raw,
                                                     const std::vector<std::string>& inputs) {
    raw_ = std::move(raw);
    inputs_ = inputs;
    readFolders();
    updateActions();
    std::shared_ptr<const Record> shown = applyLevel();
    shown_ = shown;
    return shown;
}

bool DataCleaning::showsOurs() const {
    const std::shared_ptr<const Record> shown = shown_.lock();
    return raw_ && !recording_ && shown && parts_.charts.shownRecord() == shown;
}

void DataCleaning::showLevel() {
    if (!showsOurs()) return;
    std::shared_ptr<const Record> shown = applyLevel();
    shown_ = shown;
    parts_.charts.replaceRecord(shown);
}

void DataCleaning::setLevelStatus(const QString& status, DataLevel shown) {
    setStatusText(status);
    parts_.charts.setLevelName(QStringLiteral("%1 level").arg(QString::fromUtf8(dataLevelName(shown).data())));
}

std::shared_ptr<const Record> DataCleaning::applyLevel() {
    const bool leaves = std::any_of(flags_.begin(), flags_.end(), [](const Flag& f) {
        return f.kind == FlagKind::Spike || f.kind == FlagKind::Remove;
    });
    const bool correct = level_ == DataLevel::Corrected && stored_ && raw_ && raw_->findChannel("Ts");
    QString status = QStringLiteral("Level: %1").arg(QString::fromUtf8(dataLevelName(level_).data()));
    if (level_ == DataLevel::Corrected && !correct) {
        status += QStringLiteral(" (no temperature correction: cleaned)");
    }
    if (!raw_ || level_ == DataLevel::Raw || (!leaves && !correct)) {
        const DataLevel shown = level_ == DataLevel::Raw ? DataLevel::Raw : DataLevel::Cleaned;
        levelText_ = dataLevelText(shown, 0, nullptr);
        setLevelStatus(status, shown);
        return raw_;
    }
    try {
        auto copy = std::make_shared<Record>(*raw_);
        const std::size_t leftOut = leaveOutFlagged(*copy, flags_);
        if (correct) applyTemperatureCorrection(*copy, *stored_);
        refreshTotalField(*copy);
        levelText_ = dataLevelText(correct ? DataLevel::Corrected : DataLevel::Cleaned, leftOut,
                                   correct ? &*stored_ : nullptr);
        setLevelStatus(status + QStringLiteral(", %1 values left out").arg(leftOut),
                       correct ? DataLevel::Corrected : DataLevel::Cleaned);
        return copy;
    } catch (const std::bad_alloc&) {
        levelText_ = dataLevelText(DataLevel::Raw, 0, nullptr);
        setLevelStatus(QStringLiteral("Level: raw (not enough memory for the %1 level)")
                           .arg(QString::fromUtf8(dataLevelName(level_).data())),
                       DataLevel::Raw);
        return raw_;
    }
}

void DataCleaning::setLevel(DataLevel level) {
    level_ = level;
    for (QAction* a : levels_->actions()) a->setChecked(a->data().toInt() == static_cast<int>(level_));
    showLevel();
}

void DataCleaning::readFolders() {
    const LevelInputs in = levelInputs(inputs_, parts_.context());
    flags_ = in.flags;
    stored_ = in.stored;
    for (const auto& m : in.messages) parts_.log(QString::fromStdString(m));
    parts_.charts.setFlags(flags_);
}

void DataCleaning::reload() {
    readFolders();
    showLevel();
    if (flagsWindow_ && flagsWindow_->isVisible()) showFlags();
}

void DataCleaning::flagRange(double from, double to, int chart) {
    const std::vector<std::string> where = folders();
    if (where.empty() || (!raw_ && !recording_)) {
        dialogs().message(&parts_.window, QStringLiteral("Flags are kept beside the data files: open files or record first."));
        return;
    }
    const ChartViewState state = parts_.charts.state();
    std::vector<std::string> components, chosen;
    for (int k = 0; k < ChartViewState::kChannels; ++k) {
        const std::string name = state.names[k].toStdString();
        if (name.empty() || std::find(components.begin(), components.end(), name) != components.end()) continue;
        components.push_back(name);
    }
    // Our files' F is made of Bx, By and Bz: it is flagged through them.
    if (std::find(components.begin(), components.end(), "Bx") != components.end()) std::erase(components, "F");
    chosen.push_back(state.names[std::clamp(chart, 0, ChartViewState::kChannels - 1)].toStdString());
    if (chart == ChartView::kTotalField && std::find(components.begin(), components.end(), "Bx") != components.end()) {
        chosen = {"Bx", "By", "Bz"};  // F is made of them
    }
    const auto ms = [](double day) { return static_cast<std::int64_t>(std::llround(day * Record::kMsPerDay)); };
    FlagDialog dialog(ms(from), ms(to), components, chosen, &parts_.window);
    if (!answerFlagDialog(dialog)) return;
    const CleaningContext context = parts_.context();
    const Flag flag = dialog.flag(context.who, context.nowMs);
    FolderFlags folder = FolderFlags::open(where.front(), context.userDataFolder);
    if (const IoStatus s = folder.add(flag, context.who, context.nowMs); !s) {
        dialogs().error(&parts_.window, QString::fromStdString(s.message()));
        return;
    }
    if (folder.place().fallback) {
        parts_.log(QStringLiteral("%1 cannot be written: its flags are kept in %2")
                       .arg(QString::fromStdString(where.front()), QString::fromStdString(folder.place().path)));
    }
    reload();
}

FlagsWindow* DataCleaning::flagsWindow() const { return flagsWindow_; }

void DataCleaning::showFlags() {
    if (!flagsWindow_) {
        flagsWindow_ = new FlagsWindow(&parts_.window);
        connect(flagsWindow_, &FlagsWindow::removeRequested, this, &DataCleaning::removeFlags);
        connect(flagsWindow_, &FlagsWindow::showRequested, this, [this](qint64 from, qint64 to) {
            // The flag with as much again on each side, at least a minute in all.
            const double pad = std::max<double>(static_cast<double>(to - from), 30'000.0);
            parts_.charts.showTimeWindow((static_cast<double>(from) - pad) / Record::kMsPerDay,
                                         (static_cast<double>(to) + pad) / Record::kMsPerDay);
        });
    }
    const std::vector<std::string> where = folders();
    if (where.empty() || (!raw_ && !recording_)) {
        flagsWindow_->clearFlags(QStringLiteral("No data folder: flags need opened files or a recording."));
    } else {
        const CleaningContext context = parts_.context();
        FlagSet all;
        QStringList places;
        for (const std::string& f : where) {
            const FolderFlags folder = FolderFlags::open(f, context.userDataFolder);
            all.flags.insert(all.flags.end(), folder.set().flags.begin(), folder.set().flags.end());
            all.log.insert(all.log.end(), folder.set().log.begin(), folder.set().log.end());
            const QString path = QString::fromStdString(folder.place().path);
            places << (folder.place().fallback
                           ? QStringLiteral("The data folder cannot be written: the flags are kept in %1").arg(path)
                           : QStringLiteral("Kept in %1").arg(path));
        }
        std::stable_sort(all.log.begin(), all.log.end(), [](const FlagEdit& a, const FlagEdit& b) { return a.atMs < b.atMs; });
        flagsWindow_->setFlags(all, places.join(QLatin1Char('\n')));
    }
    flagsWindow_->show();
    flagsWindow_->raise();
}

void DataCleaning::removeFlags(const std::vector<Flag>& flags) {
    const CleaningContext context = parts_.context();
    for (const std::string& f : folders()) {
        FolderFlags folder = FolderFlags::open(f, context.userDataFolder);
        std::vector<Flag> here;
        for (const Flag& flag : flags) {
            if (std::find(folder.set().flags.begin(), folder.set().flags.end(), flag) != folder.set().flags.end()) {
                here.push_back(flag);
            }
        }
        if (here.empty()) continue;
        if (const IoStatus s = folder.remove(here, context.who, context.nowMs); !s) {
            dialogs().error(&parts_.window, QString::fromStdString(s.message()));
        }
    }
    reload();
}

CleaningOutcome DataCleaning::runStep(CleaningStep step, const char* purpose) {
    const CleaningContext context = parts_.context();
    CleaningOutcome out;
    busy_ = true;
    updateActions();
    inBackground([&] {
        try {
            out = step(inputs_, context);
        } catch (const std::bad_alloc&) {
            out.ok = false;
            out.messages = {std::string("Not enough memory to read these files for ") + purpose + "."};
        }
    });
    busy_ = false;
    updateActions();
    reload();
    return out;
}

void DataCleaning::report(const CleaningOutcome& out, const QString& logPrefix) {
    for (const auto& l : out.lines) parts_.log(logPrefix + QString::fromStdString(l));
    for (const auto& m : out.messages) parts_.log(QString::fromStdString(m));
    std::vector<std::string> all = out.lines;
    all.insert(all.end(), out.messages.begin(), out.messages.end());
    if (out.ok) {
        dialogs().message(&parts_.window, text(all));
    } else {
        dialogs().error(&parts_.window, text(all));
    }
}

void DataCleaning::findSpikes() { report(runStep(&kordel::flagSpikes, "the detectors"), QStringLiteral("Flags: ")); }

void DataCleaning::estimateTemperature() {
    report(runStep(&kordel::estimateTemperature, "the estimate"), QStringLiteral("Temperature coefficient: "));
}

}  // namespace kordel
