#pragma once
#include "windows_api.h"

namespace platform::win32 {

// The system's message font at `dpi` dots per inch, or a face of the same size that has Japanese
// glyphs when the message font lacks them; the caller owns the font.
HFONT CreateDialogFont(int dpi);

// The dots per inch of the monitor the window is on, where the system scales per monitor; else
// the screen's.
int WindowDpi(HWND window);

} // namespace platform::win32
