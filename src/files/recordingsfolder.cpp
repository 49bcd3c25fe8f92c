#include "files/recordingsfolder.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/errorreport.h"
#include "app/settingsstore.h"
#include "link/recordingrun.h"

namespace kordel {

namespace {

const QString kSection = QStringLiteral("RecordingsFolder");
const QString kKey = QStringLiteral("Folder");

}  // namespace

QString expandedFolder(const QString& folder) {
    const QString trimmed = folder.trimmed();
    if (trimmed == QStringLiteral("~")) {
        return QDir::homePath();
    }
    if (trimmed.startsWith(QStringLiteral("~/"))) {
        return QDir::homePath() + trimmed.mid(1);
    }
    return trimmed;
}

RecordingsFolderDialog::RecordingsFolderDialog(const QString& folder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RecordingsFolderDialog"));
    setWindowTitle(QStringLiteral("Recordings folder"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("The daily files of Record go to this folder (made when missing).\n"
                                                "Empty: the working directory, the folder of the last file opened."),
                                 this));
    auto* row = new QHBoxLayout;
    field_ = new QLineEdit(folder, this);
    field_->setObjectName(QStringLiteral("Folder"));
    field_->setPlaceholderText(QStringLiteral("the working directory"));
    field_->setMinimumWidth(360);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("Browse"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            QFileDialog::getExistingDirectory(this, windowTitle(), expandedFolder(field_->text()));
        if (!chosen.isEmpty()) {
            field_->setText(QDir::toNativeSeparators(chosen));
        }
    });
    row->addWidget(field_, 1);
    row->addWidget(browse);
    column->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

QString RecordingsFolderDialog::folder() const { return field_->text().trimmed(); }

RecordingsFolder::RecordingsFolder(RecordingRun& run, const QString& commandLineFolder, QMenu* fileMenu,
                                   LogSink log)
    : Capability(fileMenu),
      run_(run),
      commandLine_(commandLineFolder.trimmed()),
      parentWidget_(fileMenu->parentWidget()),
      log_(std::move(log)) {
    setObjectName(QStringLiteral("RecordingsFolder"));
    choose_ = new QAction(QStringLiteral("&Recordings folder..."), this);
    choose_->setObjectName(QStringLiteral("RecordingsFolder1"));
    connect(choose_, &QAction::triggered, this, &RecordingsFolder::choose);
    QAction* before = nullptr;  // the last separator (above Exit), or the end
    for (QAction* a : fileMenu->actions()) {
        if (a->isSeparator()) {
            before = a;
        }
    }
    fileMenu->insertAction(before, choose_);
    if (!commandLine_.isEmpty()) {
        use(commandLine_);
    }
}

QString RecordingsFolder::folderInUse() const { return QString::fromStdString(run_.outputDir()); }

void RecordingsFolder::setSetting(const QString& folder) {
    setting_ = folder.trimmed();
    if (commandLine_.isEmpty()) {
        use(setting_);
    }
}

void RecordingsFolder::choose() {
    RecordingsFolderDialog dialog(setting_, parentWidget_);
    if (dialog.exec() == QDialog::Accepted && dialog.folder() != setting_) {
        setSetting(dialog.folder());
    }
}

void RecordingsFolder::use(const QString& folder) {
    const QString path = expandedFolder(folder);
    if (!path.isEmpty() && !QFileInfo(path).isDir() && !QDir().mkpath(path)) {
        const QString message = QStringLiteral("Cannot make the recordings folder ") + path +
                                QStringLiteral("; recordings go to the working directory");
        log_(QStringLiteral("Error: ") + message);
        ErrorReport::instance().report(message);
        run_.setOutputDir({});
        return;
    }
    run_.setOutputDir(path.toStdString());
    if (!path.isEmpty()) {
        log_(QStringLiteral("Recordings folder: ") + path);
    }
}

void RecordingsFolder::restoreSettings(const SettingsStore& store) {
    const QString stored = store.value(kSection, kKey).value_or(QString());
    if (stored.trimmed() != setting_) {
        setSetting(stored);
    }
}

void RecordingsFolder::saveSettings(SettingsStore& store) const {
    // A settings file that never had the folder does not get an empty entry.
    if (!setting_.isEmpty() || store.value(kSection, kKey)) {
        store.setValue(kSection, kKey, setting_);
    }
}

void RecordingsFolder::setRecording(bool recording) { choose_->setEnabled(!recording); }

}  // namespace kordel
