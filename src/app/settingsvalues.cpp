#include "app/settingsvalues.h"

namespace kordel::settingsvalues {

std::optional<int> toInt(const std::optional<QString>& text) {
    if (!text) {
        return std::nullopt;
    }
    bool ok = false;
    const int v = text->trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

std::optional<bool> toBool(const std::optional<QString>& text) {
    if (!text) {
        return std::nullopt;
    }
    if (text->compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text->compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

QString fromBool(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

std::optional<std::array<int, 4>> toFour(const std::optional<QString>& text) {
    if (!text) {
        return std::nullopt;
    }
    const QStringList parts = text->split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    std::array<int, 4> v{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
    }
    return v;
}

std::vector<std::string> toStd(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) {
        out.push_back(s.toStdString());
    }
    return out;
}

QStringList toQt(const std::vector<std::string>& list) {
    QStringList out;
    for (const auto& s : list) {
        out << QString::fromStdString(s);
    }
    return out;
}

}  // namespace kordel::settingsvalues
