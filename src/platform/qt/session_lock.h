#pragma once
// Locks that stand for "this program runs in that role in this session" where a window system
// gives no way to look windows up (Wayland): a file per role under $XDG_RUNTIME_DIR, held with
// flock, so that the kernel releases it whenever the holding process ends, however it ends.
#include <string>

namespace platform::qt {

class SessionLock {
  public:
    enum class State { Held, Busy, Unavailable };
    // Takes the lock `name` for this session without waiting. Busy: another open file (another
    // process, or this one) holds it. Unavailable: there is no runtime folder or the file
    // cannot be opened; the caller then goes on without one.
    explicit SessionLock(const std::string& name);
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;
    State Result() const { return state_; }

  private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

// Does anyone hold the lock `name` in this session?
bool SessionLockHeld(const std::string& name);
// The lock's file: $XDG_RUNTIME_DIR/lumorascr-<WAYLAND_DISPLAY>-<name>.lock, "" without a
// runtime folder. The display's name is part of it, so that two compositors of one user
// (nested, or tests) keep apart.
std::string SessionLockPath(const std::string& name);

} // namespace platform::qt
