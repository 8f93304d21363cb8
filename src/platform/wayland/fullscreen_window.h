#pragma once
// The show where the compositor has no layer shell (GNOME): Qt's full-screen windows, one per
// output, which only count as the show once the desktop has made the primary one active.
#include <memory>

#include "platform/windows.h"

namespace platform::wayland {

// Wraps a Qt full-screen saver window. The primary one (`primary`) watches the application's
// activation from its Show(): when none of the program's windows has the keyboard 2 s later,
// or after it had it and lost it for 300 ms, it asks `events` to close, so that a key meant to
// end the show never goes to the application underneath.
std::unique_ptr<SaverWindow> FullscreenWindow(std::unique_ptr<SaverWindow> window,
                                              SaverEvents& events, bool primary);

} // namespace platform::wayland
