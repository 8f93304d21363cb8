#pragma once
#include <memory>

#include "platform/services.h"
#include "platform/wayland/connection.h"

namespace platform::wayland {

// The program runs as a Wayland client when WAYLAND_DISPLAY names a running compositor and it
// is not asked to draw into an X11 window (the preview, --root, --window-id, a window handed
// over in XSCREENSAVER_WINDOW) and Qt is not told to use another platform. Then the connection
// (null otherwise).
std::unique_ptr<Connection> ChooseWayland(const StartInfo& start);

// Qt's services with the windows and the screen of the Wayland connection (the current one).
Services WaylandServices();

} // namespace platform::wayland
