#pragma once
#include <string>

namespace platform::win32 {

// The text after the program's own name in a command line as the system hands it over
// (`"C:\dir\LumoraScr.scr" /p 1234` gives "/p 1234"): the name is a quoted text or runs to
// the first blank, and one blank after it separates it from the rest, which is kept as it is.
std::string CommandTail(const std::string& commandLine);

} // namespace platform::win32
