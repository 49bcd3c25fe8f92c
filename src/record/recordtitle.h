#pragma once
// The viewer's window title for what it shows: one file keeps
// "Kordel File viewer: " + its name; several read
// "Kordel File viewer: " + first + " … " + last + " (" + count + " files)".

#include <string>
#include <vector>

namespace kordel {

// `names` in the order the record shows them (the first is the earliest).
std::string viewerTitle(const std::vector<std::string>& names);

}  // namespace kordel
