#pragma once
// A capability of the program beyond its core (the flash conversion, the
// remote station, the exporter …) owns its parts: its actions, its windows, its
// section of the settings file and its status text. The main window only
// places them, in one loop over its capabilities, and knows none of them by
// its inside.

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QWidget;

namespace kordel {

class SettingsStore;

class Capability : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Entries for the main window's menu bar (actions, or a menu's menuAction()).
    virtual QList<QAction*> menuActions() const { return {}; }
    // Makes the capability's secondary windows, children of `mainWindow`.
    virtual void createWindows(QWidget* mainWindow) { (void)mainWindow; }
    // Its own section of the settings file, read at the first showing and
    // written once at close.
    virtual void restoreSettings(const SettingsStore& store) { (void)store; }
    virtual void saveSettings(SettingsStore& store) const { (void)store; }
    // A recording locks what would disturb it; the end of it frees it again.
    virtual void setRecording(bool recording) { (void)recording; }

    // One line for the status bar; empty when there is nothing to say.
    const QString& statusText() const { return statusText_; }

signals:
    void statusTextChanged(const QString& text);

protected:
    // Emitted even when unchanged: another part may have written over the place.
    void setStatusText(const QString& text) {
        statusText_ = text;
        emit statusTextChanged(text);
    }

private:
    QString statusText_;
};

}  // namespace kordel
