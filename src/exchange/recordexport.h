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
    };
    using ViewSource = std::function<View()>;

    RecordExport(QWidget* mainWindow, ViewSource view);

    // "Export...": the dialog, then the file to write.
    QAction* exportAction() const { return action_; }
    const ExportChoice& choice() const { return choice_; }
    void setChoice(const ExportChoice& choice) { choice_ = choice; }

    void exportRecord();
    // Writes what `choice` asks to `path`; an error message, or empty when written.
    QString exportTo(const ExportChoice& choice, const QString& path) const;

    void restoreSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;

private:
    QWidget* mainWindow_;
    ViewSource view_;
    QAction* action_;
    ExportChoice choice_;
};

}  // namespace kordel
