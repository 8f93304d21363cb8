#pragma once

namespace platform {

// `--idle MINUTES` (Wayland): waits for the user to be idle that long, runs the show, waits
// again, for the whole session. Returns the exit status. Linux only.
int RunIdle(int argc, char** argv);

} // namespace platform
