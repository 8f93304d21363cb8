#include "settings/settings.h"
#include "startup.h"

namespace basComon {

std::optional<std::string> InformationRequested(const std::string& firstArgument,
                                                const std::string& version) {
    if (firstArgument == "--version") return "lumorascr " + version + "\n";
    if (firstArgument != "--help") return std::nullopt;
    const IniLocation ini = FindIniLocation();
    std::string list = ini.Load.empty() ? ini.Save : ini.Load;
    if (!ini.Save.empty() && ini.Save != list) list += "\n                 (登録 saves to " + ini.Save + ")";
    if (list.empty()) list = "(no usable place)";
    return "Usage: lumorascr [SWITCH]\n"
           "A photo slide-show screen saver: your pictures, a new one every ten seconds, with\n"
           "the month's day numbers (Japanese public holidays marked) and the date and time.\n"
           "\n"
           "Switches:\n"
           "  /s               the saver, full screen; a key, a click or a pointer move ends it\n"
           "  /c, no switch    the settings dialog (設定): drop pictures on the list, 登録 saves\n"
           "  /p WINDOW        the small preview inside the X11 window WINDOW\n"
           "  --idle MINUTES   (Wayland) stay for the session and run the saver each time\n"
           "                   you have been idle for MINUTES; one per session\n"
           "  --help           this text\n"
           "  --version        the version\n"
           "\n"
           "As an XScreenSaver hack:\n"
           "  --root           draw into the window XScreenSaver hands over\n"
           "                   (XSCREENSAVER_WINDOW), else into the root window\n"
           "  --window-id ID   draw into the window ID (decimal or 0x hexadecimal)\n"
           "  --directory DIR  show the .jpg, .jpeg, .bmp and .png files of DIR, by name,\n"
           "                   instead of the stored list\n"
           "  With no stored picture and no --directory, the hack shows the pictures of\n"
           "  XScreenSaver's own image folder (imageDirectory in ~/.xscreensaver).\n"
           "\n"
           "Files:\n"
           "  picture list   " +
           list +
           "\n"
           "  holiday rules  " +
           FindHolidayPath() + "\n";
}

} // namespace basComon
