#pragma once
#include "windows_api.h"

namespace platform::win32 {

// The system's message font, or a face of the same size that has Japanese glyphs when the
// message font lacks them; the caller owns the font.
HFONT CreateDialogFont();

} // namespace platform::win32
