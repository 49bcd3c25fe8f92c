#include "app/settingsplace.h"

namespace kordel {

bool isSystemFolder(std::string_view folder) {
    for (const std::string_view root : {"/usr", "/bin", "/sbin"}) {
        if (folder.starts_with(root) && (folder.size() == root.size() || folder[root.size()] == '/')) {
            return true;
        }
    }
    return false;
}

SettingsPlace chooseSettingsPlace(std::string_view programFolder, bool programFolderWritable,
                                  std::string_view userConfigFolder) {
    const bool system = isSystemFolder(programFolder);
    if ((!system && programFolderWritable) || userConfigFolder.empty()) {
        return {std::string(programFolder), {}};
    }
    std::string note = "Settings in ";
    note.append(userConfigFolder).append("/kordel.ini: the program's folder ").append(programFolder);
    note += system ? " is a system folder" : " is not writable";
    return {std::string(userConfigFolder), note};
}

}  // namespace kordel
