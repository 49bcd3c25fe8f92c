// The main window's data files: the daily files written while recording, the
// reader that plots a file, File > "&Open file" and the recent-files list.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QLabel>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/errorreport.h"
#include "app/mainform.h"
#include "charts/channelchart.h"
#include "charts/readout.h"
#include "exchange/exportinput.h"
#include "exchange/iagareader.h"
#include "link/deviceline.h"
#include "record/recordloader.h"
#include "record/recordtitle.h"
#include "record/totalfield.h"

namespace {

const QString kDataFilter =
    QStringLiteral("Kordel txt-file (*.pc)|*.pc|Kordel txt-file (*.fl)|*.fl|All files (*.*)|*.*");

// Shows the hourglass for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

// ---- recording ----

void TMainForm::onDailyFileStarted(const std::string& name) {
    currentDataFileName_ = QString::fromStdString(name);
    ClearCharts();
    // The paused window's points are gone with the old day: the view follows the new one.
    PauseButton->setChecked(false);
    setWindowTitle(QStringLiteral("Kordel-K5 - ") + currentDataFileName_);
}

void TMainForm::onSample(const kordel::DecodedSample& s, bool dropOldest) {
    appendSample(s.timeOfDay, {s.bx, s.by, s.bz, s.ts, s.te});
    if (dropOldest) {
        dropOldestSample();
    }
    StatusPanel[0]->setText(QString::fromStdString(kordel::formatLatestSample(
        s.hour, s.minute, s.second, {s.bx, s.by, s.bz, s.ts, s.te}, kordel::totalFieldValue(s.bx, s.by, s.bz))));
    if (PauseButton->isChecked()) {
        fitLiveTimeBar();  // the keys and the bar reach the newest points
    }
}

void TMainForm::onLog(const std::string& text) { WriteLogBytes(text); }

void TMainForm::onFileError(const std::string& message) {
    kordel::ErrorReport::instance().report(QString::fromStdString(message));
}

// ---- viewing ----

namespace {

// The error lines a load met, put to the user one by one after the load (the
// files are parsed on two threads, ahead of any answer): OK goes on to the
// next, "Skip all" skips the rest without a box, Cancel stops asking. Every
// good line is plotted whatever the answers; Cancel leaves the title as it
// was, as stopping a read did. Returns false on Cancel; `skipped` counts the
// error lines skipped without a box.
bool askAboutErrorLines(QWidget* parent, const kordel::RecordLoadResult& r, long& skipped) {
    using Answer = kordel::Dialogs::LineAnswer;
    const bool several = r.files.size() > 1;
    std::size_t asked = 0;
    for (const kordel::ErrorLine& e : r.errorLines) {
        const QString where = several ? QStringLiteral(" of %1").arg(QFileInfo(QString::fromStdString(e.file)).fileName())
                                      : QString();
        const Answer answer = kordel::dialogs().errorLine(
            parent, QStringLiteral("Error in line %1").arg(e.lineNumber) + where + QStringLiteral("\r\n") +
                        QString::fromLatin1(e.text.data(), static_cast<qsizetype>(e.text.size())) +
                        QStringLiteral("\r\nContinue ?"));
        ++asked;
        if (answer == Answer::Cancel) {
            return false;
        }
        if (answer == Answer::SkipAll) {
            break;
        }
    }
    skipped = static_cast<long>(r.errorLineCount - asked);
    return true;
}

QString fileNameOf(const std::string& path) { return QFileInfo(QString::fromStdString(path)).fileName(); }

}  // namespace

void TMainForm::OpenDATA1Click() {
    CrossMouseCB->setChecked(false);
    const QStringList files = kordel::dialogs().openFiles(this, kDataFilter, QStringLiteral("vexo"),
                                                         openDialogInitialDir_);
    if (files.isEmpty()) {
        return;
    }
    openDialogInitialDir_ = QFileInfo(files.constFirst()).absolutePath();
    ClearCharts();
    if (!LoadDataFiles(files)) {
        return;
    }
    SpeedButton9->setEnabled(true);
    SpeedButton10->setEnabled(true);
    WriteLog(QStringLiteral("Open file: ") + currentDataFileName_);
}

void TMainForm::OpenFolder1Click() {
    CrossMouseCB->setChecked(false);
    const QString folder = kordel::dialogs().openFolder(this, openDialogInitialDir_);
    if (folder.isEmpty()) {
        return;
    }
    openDialogInitialDir_ = folder;
    ClearCharts();
    if (!LoadDataFiles({folder})) {
        return;
    }
    SpeedButton9->setEnabled(true);
    SpeedButton10->setEnabled(true);
    WriteLog(QStringLiteral("Open file: ") + currentDataFileName_);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    if (paths.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    if (LoadDataFiles(paths)) {
        SpeedButton9->setEnabled(true);
        SpeedButton10->setEnabled(true);
        WriteLog(QStringLiteral("Open file: ") + currentDataFileName_);
    }
}

void TMainForm::MRU_DATAClick(const QString& fileName) {
    mruData_.remove(fileName.toStdString());
    const QFileInfo info(fileName);
    if (info.isFile() || info.isDir()) {
        LoadDataFile(fileName);  // puts it back at the top
    } else {
        kordel::dialogs().error(this, notFoundText(fileName));
    }
    rebuildRecentMenu();
}

bool TMainForm::LoadDataFile(const QString& fileName) { return LoadDataFiles({fileName}); }

bool TMainForm::LoadDataFiles(const QStringList& paths) {
    if (paths.isEmpty()) {
        return false;
    }
    CrossMouseCB->setChecked(false);
    // What was opened, a folder as its folder; the first named ends on top.
    for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
        mruData_.add(it->toStdString());
    }
    rebuildRecentMenu();
    currentDataFileName_ = paths.constFirst();
    ClearCharts();

    std::vector<std::string> names;
    for (const QString& p : paths) names.push_back(p.toStdString());
    if (QFileInfo(paths.constFirst()).isFile() && kordel::isIaga2002File(names.front())) {
        return LoadIagaFiles(names);
    }
    for (ChannelChart* c : Chart) c->setCaption({});
    kordel::RecordLoadOptions options;
    options.totalField = true;
    options.onProgress = [this](int percent) {
        if (percent != ProgressBar1->value()) {
            ProgressBar1->setValue(percent);
        }
    };
    kordel::RecordLoadResult result;
    {
        WaitCursor hourglass;
        result = kordel::RecordLoader(options).load(names);
        ProgressBar1->setValue(0);
    }
    if (result.status == kordel::RecordLoadResult::Status::Refused) {
        kordel::ErrorReport::instance().report(QString::fromStdString(result.message));
        return false;
    }
    if (!result.failures.empty()) {
        QStringList texts;
        for (const auto& f : result.failures) texts << QString::fromStdString(f);
        kordel::ErrorReport::instance().report(texts.join(QLatin1Char('\n')));
    }
    if (result.files.size() == 1) {
        currentDataFileName_ = QString::fromStdString(result.files.front());
    }
    if (result.files.empty() || result.failures.size() == result.files.size()) {
        if (result.files.empty()) {
            kordel::dialogs().error(this, QStringLiteral("No *.pc or *.fl files in ") + paths.join(QStringLiteral(", ")));
        }
        return false;
    }
    long skippedSilently = 0;
    const bool answeredThrough = askAboutErrorLines(this, result, skippedSilently);
    auto record = std::make_shared<const kordel::Record>(std::move(result.record));
    showRecord(record);
    if (answeredThrough) {
        FitZoomBars();
    }
    if (skippedSilently > 0) {
        const QString text = QStringLiteral("Error lines skipped: %1").arg(skippedSilently);
        WriteLog(text);
        kordel::dialogs().message(this, text);
    }
    if (answeredThrough) {
        std::vector<std::string> shown;
        if (result.files.size() == 1) {
            shown.push_back(result.files.front());
        } else {
            for (const auto& f : result.files) shown.push_back(fileNameOf(f).toStdString());
        }
        setWindowTitle(QString::fromStdString(kordel::viewerTitle(shown)));
    }
    return true;
}

bool TMainForm::LoadIagaFiles(const std::vector<std::string>& paths) {
    kordel::ExportInput input;
    {
        WaitCursor hourglass;
        input = kordel::readExportInputs(paths);
    }
    if (!input.messages.empty()) {
        QStringList texts;
        for (const auto& m : input.messages) texts << QString::fromStdString(m);
        kordel::ErrorReport::instance().report(texts.join(QLatin1Char('\n')));
    }
    if (input.status == kordel::ExportInput::Status::Usage || input.record.empty() || input.elements.size() != 4) {
        return false;
    }
    // The file's own F stands on the fourth chart; no F is computed for such a record.
    auto record = std::make_shared<const kordel::Record>(std::move(input.record));
    for (int k = 0; k < kChannels; ++k) {
        const bool element = k < 4;
        Chart[k]->showRecord(record, element ? static_cast<std::size_t>(k) : record->channelCount());
        Chart[k]->setCaption(element ? QString(QChar::fromLatin1(input.elements[static_cast<std::size_t>(k)])) : QString());
        CheckBox[k]->setChecked(element);
    }
    redrawCursorLines();
    FitZoomBars();
    std::vector<std::string> shown;
    for (const auto& p : paths) shown.push_back(paths.size() == 1 ? p : fileNameOf(p).toStdString());
    setWindowTitle(QString::fromStdString(kordel::viewerTitle(shown)));
    return true;
}

void TMainForm::rebuildRecentMenu() {
    Recentdata1->clear();
    const auto& items = mruData_.items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QString name = QString::fromStdString(items[i]);
        QAction* a = Recentdata1->addAction(QStringLiteral("&%1 %2")
                                                .arg(QChar::fromLatin1(kordel::RecentFiles::accelerator(i)))
                                                .arg(name));
        connect(a, &QAction::triggered, this, [this, name] { MRU_DATAClick(name); });
    }
    Recentdata1->setEnabled(!items.empty());
}
