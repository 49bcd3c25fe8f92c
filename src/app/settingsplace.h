#pragma once
// Where "kordel.ini" lies. Beside the executable, so that a program run from its
// build folder or carried around in a folder of its own keeps its settings with
// it. An installed program cannot do that: a system folder is no place for one
// user's window placement (and root could even write it there), and in a folder
// it may not write to, the settings would be lost at every close without a word.
// Such a program keeps them in the user's configuration folder instead.

#include <string>
#include <string_view>

namespace kordel {

struct SettingsPlace {
    std::string folder;   // the folder of "kordel.ini"
    std::string logNote;  // empty beside the executable; otherwise the log's line about it
};

// True for the system's program folders: /usr, /bin, /sbin and everything below.
bool isSystemFolder(std::string_view folder);

// `userConfigFolder` is the folder of the program's own settings in the user's
// configuration folder (for example ~/.config/kordel); empty when there is none,
// and then the settings stay beside the executable in any case.
SettingsPlace chooseSettingsPlace(std::string_view programFolder, bool programFolderWritable,
                                  std::string_view userConfigFolder);

}  // namespace kordel
