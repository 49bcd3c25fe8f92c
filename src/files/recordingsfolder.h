#pragma once
// Where the daily files of the Record button go: the "Recordings folder"
// setting (File > "Recordings folder..."), or the folder named by --output-dir
// for one run of the program. Empty means the working directory of the moment,
// which File > Open moves; the log stays in the folder the program was started
// in whatever this says.

#include <QDialog>
#include <QString>
#include <functional>

#include "app/capability.h"

class QAction;
class QLineEdit;
class QMenu;

namespace kordel {

class RecordingRun;

// The folder as the user wrote it, ready for use: a leading "~/" (or "~" alone)
// stands for the home folder, as desktop entries cannot expand it themselves.
QString expandedFolder(const QString& folder);

// The small dialog behind the menu entry: a folder typed or browsed for; an
// empty field is the working directory.
class RecordingsFolderDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecordingsFolderDialog(const QString& folder, QWidget* parent = nullptr);
    QString folder() const;
    QLineEdit* field() const { return field_; }

private:
    QLineEdit* field_;
};

class RecordingsFolder : public Capability {
    Q_OBJECT
public:
    using LogSink = std::function<void(const QString&)>;
    // The setting's menu entry goes into `fileMenu` above its last separator;
    // a non-empty `commandLineFolder` is used instead of the setting for this run.
    RecordingsFolder(RecordingRun& run, const QString& commandLineFolder, QMenu* fileMenu, LogSink log);

    QAction* chooseAction() const { return choose_; }
    // The setting as stored, and the folder the daily files go to now ("" for the working directory).
    const QString& setting() const { return setting_; }
    QString folderInUse() const;

    // Stores `folder` as the setting and uses it (unless the command line named one).
    void setSetting(const QString& folder);
    // Asks for the folder in the dialog.
    void choose();

    void restoreSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;
    void setRecording(bool recording) override;

private:
    // The folder is made when missing; a failure is reported once and the files
    // go to the working directory rather than nowhere.
    void use(const QString& folder);

    RecordingRun& run_;
    QString commandLine_;
    QString setting_;
    QAction* choose_;
    QWidget* parentWidget_;
    LogSink log_;
};

}  // namespace kordel
