#include "app/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kordel {

SettingsPlace locateSettings(const QString& programFolder) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString user = base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("kordel"));
    SettingsPlace place = chooseSettingsPlace(programFolder.toStdString(), QFileInfo(programFolder).isWritable(),
                                              user.toStdString());
    if (!place.logNote.empty()) {
        QDir().mkpath(user);
    }
    return place;
}

SettingsStore::SettingsStore(const QString& path) : settings_(path, QSettings::IniFormat) {}

std::optional<QString> SettingsStore::value(const QString& section, const QString& key) const {
    const QString full = section + QLatin1Char('/') + key;
    if (!settings_.contains(full)) {
        return std::nullopt;
    }
    const QVariant v = settings_.value(full);
    // QSettings splits an unquoted "a,b,c" into a list; the file meant the text.
    if (v.metaType().id() == QMetaType::QStringList) {
        return v.toStringList().join(QLatin1Char(','));
    }
    return v.toString();
}

void SettingsStore::setValue(const QString& section, const QString& key, const QString& value) {
    settings_.setValue(section + QLatin1Char('/') + key, value);
}

QStringList SettingsStore::list(const QString& section) const {
    QStringList items;
    for (int i = 0;; ++i) {
        const auto item = value(section, QStringLiteral("Item_%1").arg(i));
        if (!item) {
            break;
        }
        items << *item;
    }
    return items;
}

void SettingsStore::setList(const QString& section, const QStringList& items) {
    settings_.remove(section);
    for (int i = 0; i < items.size(); ++i) {
        setValue(section, QStringLiteral("Item_%1").arg(i), items[i]);
    }
}

bool SettingsStore::sync() {
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

}  // namespace kordel
