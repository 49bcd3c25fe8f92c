#pragma once
// The flash dump conversion as a capability: the Flash action (the control
// bar's button shows it), the dump's file dialog, the converter's windows (the
// never-shown "Bin To Text" form and the summary window) and the recent-dumps
// list in its own section of the settings file.

#include <QString>
#include <functional>

#include "app/capability.h"
#include "files/recentfiles.h"

class QAction;
class TFlash;
class Tinf;

namespace kordel {

class FlashConversion : public Capability {
    Q_OBJECT
public:
    using LogSink = std::function<void(const QString&)>;
    // The folder the file dialog opens in.
    using FolderSource = std::function<QString()>;

    FlashConversion(QWidget* mainWindow, LogSink log, FolderSource initialDir);

    // "Flash": chooses a dump and converts it beside itself.
    QAction* convertAction() const { return convert_; }
    TFlash* form() const { return form_; }
    Tinf* summaryWindow() const { return summary_; }
    const RecentFiles& recentDumps() const { return recent_; }

    // Chooses a dump through the file dialog and converts it.
    void convert();

    void createWindows(QWidget* mainWindow) override;
    void restoreSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;
    void setRecording(bool recording) override;

private:
    QWidget* mainWindow_;
    LogSink log_;
    FolderSource initialDir_;
    QAction* convert_;
    Tinf* summary_ = nullptr;
    TFlash* form_ = nullptr;
    RecentFiles recent_;
};

}  // namespace kordel
