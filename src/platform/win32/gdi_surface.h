#pragma once
// Access to the GDI objects behind a Win32 surface, for the parts of the Win32 platform that
// draw on it.
#include <windows.h>

#include "platform/drawing.h"

namespace platform::win32 {

// The memory device context of a surface made by DrawingService() (a 32-bit DIB section is
// selected into it).
HDC DcOf(Surface& surface);
// The device context behind any DeviceContext made by this platform.
HDC HdcOf(DeviceContext& dc);

} // namespace platform::win32
