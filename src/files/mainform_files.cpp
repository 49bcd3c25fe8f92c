// The main window's data files: the daily files written while recording, the
// reader that plots a file, File > "&Open file" and the recent-files list.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/errorreport.h"
#include "app/mainform.h"
#include "files/datafilereader.h"

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
    setWindowTitle(QStringLiteral("Kordel-K5 - ") + currentDataFileName_);
    // Where the recording goes: the working directory of the moment, which the
    // open dialog may have moved.
    StatusPanel[3]->setText(QDir::current().absoluteFilePath(currentDataFileName_));
}

void TMainForm::onSample(const kordel::DecodedSample& s, bool dropOldest) {
    appendSample(s.timeOfDay, {s.bx, s.by, s.bz, s.ts, s.te});
    if (dropOldest) {
        dropOldestSample();
    }
}

void TMainForm::onLog(const std::string& text) { WriteLogBytes(text); }

void TMainForm::onFileError(const std::string& message) {
    kordel::ErrorReport::instance().report(QString::fromStdString(message));
}

// ---- viewing ----

void TMainForm::OpenDATA1Click() {
    CrossMouseCB->setChecked(false);
    const QString file = kordel::dialogs().openFile(this, kDataFilter, QStringLiteral("vexo"),
                                                   openDialogInitialDir_);
    if (file.isEmpty()) {
        return;
    }
    openDialogInitialDir_ = QFileInfo(file).absolutePath();
    ClearCharts();
    if (!LoadDataFile(file)) {
        return;
    }
    SpeedButton9->setEnabled(true);
    SpeedButton10->setEnabled(true);
    WriteLog(QStringLiteral("Open file: ") + currentDataFileName_);
}

void TMainForm::MRU_DATAClick(const QString& fileName) {
    mruData_.remove(fileName.toStdString());
    if (QFileInfo(fileName).isFile()) {
        LoadDataFile(fileName);  // puts it back at the top
    } else {
        kordel::dialogs().error(this, notFoundText(fileName));
    }
    rebuildRecentMenu();
}

bool TMainForm::LoadDataFile(const QString& fileName) {
    CrossMouseCB->setChecked(false);
    mruData_.add(fileName.toStdString());
    rebuildRecentMenu();
    currentDataFileName_ = fileName;
    ClearCharts();

    kordel::SeriesData data;
    kordel::DataFileReader reader;
    kordel::DataFileReader::Callbacks callbacks;
    // After "Skip all" the rest of the file's error lines are skipped without
    // a box, and counted.
    bool skipAll = false;
    long skippedSilently = 0;
    callbacks.onErrorLine = [this, &skipAll, &skippedSilently](long lineNumber, std::string_view line) {
        if (skipAll) {
            ++skippedSilently;
            return true;
        }
        using Answer = kordel::Dialogs::LineAnswer;
        const Answer answer = kordel::dialogs().errorLine(
            this, QStringLiteral("Error in line %1\r\n").arg(lineNumber) +
                      QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) +
                      QStringLiteral("\r\nContinue ?"));
        skipAll = answer == Answer::SkipAll;
        return answer != Answer::Cancel;
    };
    callbacks.onProgress = [this](int percent) {
        if (percent != ProgressBar1->value()) {
            ProgressBar1->setValue(percent);
        }
    };
    kordel::DataFileReader::Outcome outcome;
    {
        WaitCursor hourglass;
        outcome = reader.read(fileName.toStdString(), data, callbacks);
        // What was read stays on the charts, also when the user stopped at a bad line.
        if (outcome != kordel::DataFileReader::Outcome::Failed) {
            appendSeries(data);
            redrawCursorLines();
        }
        if (outcome == kordel::DataFileReader::Outcome::Finished) {
            FitZoomBars();
        }
        ProgressBar1->setValue(0);
    }
    if (skippedSilently > 0) {
        const QString text = QStringLiteral("Error lines skipped: %1").arg(skippedSilently);
        WriteLog(text);
        kordel::dialogs().message(this, text);
    }
    switch (outcome) {
    case kordel::DataFileReader::Outcome::Failed:
        kordel::ErrorReport::instance().report(QString::fromStdString(reader.error()));
        return false;
    case kordel::DataFileReader::Outcome::Finished:
        setWindowTitle(QStringLiteral("Kordel File viewer: ") + fileName);
        break;
    case kordel::DataFileReader::Outcome::Cancelled:
        break;
    }
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
