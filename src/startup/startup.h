#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "settings/settings.h"

namespace basComon {

// True when the program runs from its developer's folder: the saver window then stays below
// other windows and the pointer stays visible.
inline bool DevMode = false;
// The window the preview is placed into.
inline std::int32_t PreviewParent = 0;
// The window the saver draws into when another program hosts it (0: its own window).
inline platform::NativeHandle SaverHost = 0;

void Main(const platform::StartInfo& start);

bool IsDevFolder(const std::string& appDirectory);
// The mode switch: the first two characters after leading blanks, upper-cased.
std::string SwitchOf(const std::string& commandLine);
// The number at the start of `text`, read the way the classic Val function reads it.
double Val(const std::string& text);
// The preview's host handle from the command line; 0 when outside the 32-bit range.
std::int32_t PreviewHandleOf(const std::string& commandLine);

// The window to draw the saver into when another program hosts it (XScreenSaver): the id after
// `--window-id`; for `--root` XSCREENSAVER_WINDOW or else the root window; XSCREENSAVER_WINDOW
// with "/s" or no switch. 0 when the saver is to open its own window.
platform::NativeHandle HostedSaverWindow(const platform::StartInfo& start,
                                         platform::NativeHandle root);

// What `--version` or `--help` as the first argument prints; nothing for any other argument.
// The help names the settings and holiday files this start would use.
std::optional<std::string> InformationRequested(const std::string& firstArgument,
                                                const std::string& version);

// The folder after `--directory` (or `-directory`), "" when there is none.
std::string DirectoryArgument(const std::vector<std::string>& arguments);
// `folder` with a leading "~" taken as `home`.
std::string ExpandHome(const std::string& folder, const std::string& home);
// Every .jpg, .jpeg, .bmp and .png file directly in `folder`, sorted by name, as a picture list
// (entry 0 unused); just entry 0 when the folder holds none or cannot be read.
std::vector<ImageEntry> FolderImageList(const std::string& folder);
// The local folder of the `imageDirectory:` line of XScreenSaver's settings text, "" when there
// is none or it names no absolute folder.
std::string XScreenSaverImageDirectory(const std::string& settingsText, const std::string& home);

// The longest idle time `--idle` takes: a day.
constexpr unsigned MaxIdleMinutes = 24 * 60;
// The idle time after `--idle` in milliseconds: a whole number of minutes from 1 to
// MaxIdleMinutes, digits only; taken as seconds when `secondsForTests`. Nothing otherwise.
std::optional<std::uint32_t> IdleMilliseconds(const std::string& minutes, bool secondsForTests);
// The name of the session lock that stands for an open window with this title where windows
// cannot be looked up by title: titles that match without regard to ASCII case give one name,
// made only of characters safe in a file name.
std::string SessionLockName(const std::string& title);

} // namespace basComon
