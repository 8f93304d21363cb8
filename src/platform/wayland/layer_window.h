#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "platform/wayland/connection.h"
#include "platform/windows.h"

namespace platform::wayland {

// A saver window on one output: a surface on the compositor's overlay layer, anchored to
// every edge, taking the keyboard. Its frames are drawn into an image of the output's pixel
// size and handed over in shared-memory buffers, damaged where they changed. Pointer positions
// go out in the desktop's pixels: the output's place plus the surface position in its pixels.
// The primary one also hears the termination signals. The surface goes when its output goes;
// the window stays, blank, until the saver lets it go.
std::unique_ptr<SaverWindow> CreateLayerWindow(Connection& connection, SaverEvents& events,
                                               const Output& output, const Monitor& monitor,
                                               bool primary);

// The output the primary window is on, null when none or gone.
wl_output* PrimaryWindowOutput();
// The place of the primary window while its output is gone (the saver's pointer positions and
// the other monitors' windows are still measured from it); nothing otherwise.
std::optional<Monitor> LostPrimaryPlace();
// Puts the primary window whose output went onto an output at the same place and size.
void ReattachPrimary(const std::vector<const Output*>& outputs);
// Tells the windows on `output` that it is going.
void OutputGoing(wl_output* output);
// The primary window's events hear a close request (the keyboard was taken away).
void ClosePrimaryShow();

} // namespace platform::wayland
