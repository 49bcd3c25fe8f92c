#pragma once
// File > "Export..." as a capability: its action, the export dialog, and the
// last choice (format, interval, range, UTC offset, station fields) kept in a
// section of its own in the settings file. It writes the record the charts
// show, whole or its visible window, through the same exchange code as
// kordel-export: IAGA-2002, CSV, or a PNG, SVG or PDF picture of the charts.

#include <QString>
#include <functional>

#include <memory>
#include <optional>

#include "app/capability.h"
#include "charts/chartview.h"
#include "exchange/exportdialog.h"

class QAction;

namespace kordel {

class Record;

class RecordExport : public Capability {
    Q_OBJECT
public:
    // What the charts show: the record (none when nothing is shown), the
    // visible time window as time numbers (days) of the instrument clock, and
    // the charts' state, which a picture draws as it stands.
    struct View {
        std::shared_ptr<const Record> record;
        double fromDay = 0;
        double toDay = 0;
        std::optional<ChartViewState> charts;
        // The shown record's file (or folder); the proposed name lies beside it.
        QString file;
        // What a file's header says of the record's data level (empty: nothing).
        std::string levelText = {};
    };
    using ViewSource = std::function<View()>;
    using LogSink = std::function<void(const QString&)>;

    // `log` takes "Exported to …" (and the failures the user is shown).
    RecordExport(QWidget* mainWindow, ViewSource view, LogSink log = {});

    // "Export...": the dialog, then the file to write.
    QAction* exportAction() const { return action_; }
    const ExportChoice& choice() const { return choice_; }
    void setChoice(const ExportChoice& choice) { choice_ = choice; }

    void exportRecord();
    // What the proposed file name is made of, from the shown record.
    ExportNaming naming() const;
    // "Exported to <path>" (or the failure) goes to the status bar and the log.
    void reportWritten(const QString& path, const QString& error);
    // Writes what `choice` asks to `path`; an error message, or empty when written.
    QString exportTo(const ExportChoice& choice, const QString& path) const;

    void restoreSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;

private:
    QWidget* mainWindow_;
    ViewSource view_;
    LogSink log_;
    QAction* action_;
    ExportChoice choice_;
};

}  // namespace kordel
