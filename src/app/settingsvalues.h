#pragma once
// The texts of the settings file's values: "True"/"False", decimal integers,
// "a,b,c,d" quadruples, and lists of names. A text that does not read gives
// nothing, so a damaged file leaves the property as it was.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kordel::settingsvalues {

std::optional<int> toInt(const std::optional<QString>& text);
std::optional<bool> toBool(const std::optional<QString>& text);
QString fromBool(bool b);
// "a,b,c,d" → four integers.
std::optional<std::array<int, 4>> toFour(const std::optional<QString>& text);
std::vector<std::string> toStd(const QStringList& list);
QStringList toQt(const std::vector<std::string>& list);

}  // namespace kordel::settingsvalues
