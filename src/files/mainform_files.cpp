// The main window's data files: the daily files written while recording, the
// reader that plots a file, File > "&Open file" and the recent-files list.

#include <QAction>
#include <QLabel>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

#include "app/dialogs.h"
#include "app/errorreport.h"
#include "app/mainform.h"
#include "charts/chartview.h"
#include "charts/readout.h"
#include "files/recordopening.h"
#include "link/deviceline.h"
#include "record/totalfield.h"

// ---- recording ----

void TMainForm::onDailyFileStarted(const std::string& name) {
    currentDataFileName_ = QString::fromStdString(name);
    charts_->ClearCharts();
    // The paused window's points are gone with the old day: the view follows the new one.
    charts_->PauseButton->setChecked(false);
    setWindowTitle(QStringLiteral("Kordel-K5 - ") + currentDataFileName_);
}

void TMainForm::onSample(const kordel::DecodedSample& s, bool) {
    // Every sample stays in the day's live record: no point is dropped. The
    // status bar's latest sample comes with the view's next drawing.
    if (const auto x = kordel::sampleDateTime(s)) {
        charts_->appendSample(*x, {s.bx, s.by, s.bz, s.ts, s.te});
    }
}

void TMainForm::onLog(const std::string& text) { WriteLogBytes(text); }

void TMainForm::onFileError(const std::string& message) {
    kordel::ErrorReport::instance().report(QString::fromStdString(message));
}

// ---- viewing ----

void TMainForm::OpenDATA1Click() {
    charts_->CrossMouseCB->setChecked(false);
    const QStringList files = kordel::dialogs().openFiles(this, kordel::kDataFileFilter, QStringLiteral("vexo"),
                                                         openDialogInitialDir_);
    if (files.isEmpty()) {
        return;
    }
    openDialogInitialDir_ = QFileInfo(files.constFirst()).absolutePath();
    openAndLog(files);
}

void TMainForm::openAndLog(const QStringList& paths) {
    if (LoadDataFiles(paths)) {
        charts_->SpeedButton9->setEnabled(true);
        charts_->SpeedButton10->setEnabled(true);
        opening_->logOpened(currentDataFileName_);
    }
}

void TMainForm::OpenFolder1Click() {
    charts_->CrossMouseCB->setChecked(false);
    const QString folder = kordel::dialogs().openFolder(this, openDialogInitialDir_);
    if (folder.isEmpty()) {
        return;
    }
    openDialogInitialDir_ = folder;
    openAndLog({folder});
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
    openAndLog(paths);
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
    if (paths.isEmpty() || opening_->loading()) {
        return false;
    }
    charts_->CrossMouseCB->setChecked(false);
    // What was opened, a folder as its folder; the first named ends on top.
    for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
        mruData_.add(it->toStdString());
    }
    rebuildRecentMenu();
    const kordel::OpenedRecord opened = opening_->open(paths);
    if (opened.outcome == kordel::OpenedRecord::Outcome::Cancelled) {
        return false;  // what was shown stays
    }
    currentDataFileName_ = opened.currentFile.isEmpty() ? paths.constFirst() : opened.currentFile;
    charts_->ClearCharts();
    if (opened.outcome == kordel::OpenedRecord::Outcome::Failed) {
        return false;
    }
    if (opened.elements.empty()) {
        charts_->showRecord(opened.record);
    } else {
        charts_->showElements(opened.record, opened.elements);
    }
    if (opened.fitBars) {
        charts_->FitZoomBars();
    }
    if (!opened.title.isEmpty()) {
        setWindowTitle(opened.title);
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
