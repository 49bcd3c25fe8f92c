#pragma once
// Replaces a small state file so that a crash, a power cut or a full disk
// leaves either the old contents or the new, never a part: the bytes go to
// "<path>.tmp" in the same folder, are synced, and the temporary file is
// renamed over the old one (the folder synced too). On any failure the old
// file stays as it was and the temporary one is removed.

#include <string>
#include <string_view>

#include "app/iostatus.h"

namespace kordel {

IoStatus replaceFile(const std::string& path, std::string_view bytes);

}  // namespace kordel
