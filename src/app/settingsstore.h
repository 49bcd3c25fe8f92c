#pragma once
// The settings file: an INI file of sections and text values. A thin layer over
// QSettings that hands out and takes plain text, so the main window decides how
// each value is written ("True"/"False", "x,y,x,y", decimal integers).

#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>

#include "app/settingsplace.h"

namespace kordel {

// Where the settings of a program in `programFolder` lie (see settingsplace.h):
// the user's folder is ~/.config/kordel (after $XDG_CONFIG_HOME), made when chosen.
SettingsPlace locateSettings(const QString& programFolder);

class SettingsStore {
public:
    explicit SettingsStore(const QString& path);

    QString path() const { return settings_.fileName(); }

    // The value of `key` in `section` as text, or nothing when absent. A value
    // holding commas comes back as written ("64,78,973,647").
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);

    // A list kept as "Item_0", "Item_1", … in a section of its own.
    QStringList list(const QString& section) const;
    void setList(const QString& section, const QStringList& items);

    // Writes everything to disk; false when the file could not be written.
    bool sync();

private:
    mutable QSettings settings_;
};

}  // namespace kordel
