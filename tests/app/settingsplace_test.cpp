// Where "kordel.ini" lies: beside the executable, or in the user's folder.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settingsplace.h"

namespace kordel {
namespace {

TEST(SettingsPlace, BesideTheExecutableUnlessInstalled) {
    struct Case {
        std::string programFolder;
        bool writable;
        std::string userFolder;
        std::string folder;
        std::string note;
    };
    const std::string user = "/home/ann/.config/kordel";
    const std::vector<Case> cases = {
        {"/home/ann/src/kordel/build/src", true, user, "/home/ann/src/kordel/build/src", ""},
        {"/opt/kordel", true, user, "/opt/kordel", ""},
        {"/usrlocal/kordel", true, user, "/usrlocal/kordel", ""},
        {"/usr/bin", true, user, user,
         "Settings in /home/ann/.config/kordel/kordel.ini: the program's folder /usr/bin is a system folder"},
        {"/usr", true, user, user,
         "Settings in /home/ann/.config/kordel/kordel.ini: the program's folder /usr is a system folder"},
        {"/usr/local/bin", false, user, user,
         "Settings in /home/ann/.config/kordel/kordel.ini: the program's folder /usr/local/bin is a system folder"},
        {"/bin", true, user, user,
         "Settings in /home/ann/.config/kordel/kordel.ini: the program's folder /bin is a system folder"},
        {"/media/stick/kordel", false, user, user,
         "Settings in /home/ann/.config/kordel/kordel.ini: the program's folder /media/stick/kordel is not writable"},
        {"/usr/bin", true, "", "/usr/bin", ""},
    };
    for (const Case& c : cases) {
        const SettingsPlace place = chooseSettingsPlace(c.programFolder, c.writable, c.userFolder);
        EXPECT_EQ(place.folder, c.folder) << c.programFolder;
        EXPECT_EQ(place.logNote, c.note) << c.programFolder;
    }
}

}  // namespace
}  // namespace kordel
