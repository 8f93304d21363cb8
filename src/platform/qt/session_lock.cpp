#include "session_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform::qt {

std::string SessionLockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return {};
    const char* display = std::getenv("WAYLAND_DISPLAY");
    std::string session = display && display[0] ? display : "wayland-0";
    for (char& c : session)
        if (c == '/') c = '_';
    return std::string(runtime) + "/lumorascr-" + session + "-" + name + ".lock";
}

SessionLock::SessionLock(const std::string& name) {
    const std::string path = SessionLockPath(name);
    if (path.empty()) return;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    // A process that only looks (SessionLockHeld) holds a shared lock for a moment; a few
    // tries keep such a look from refusing a start.
    int error = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            state_ = State::Held;
            return;
        }
        error = errno;
        if (error == EWOULDBLOCK) ::usleep(20000);
        else if (error != EINTR) break;
    }
    state_ = error == EWOULDBLOCK ? State::Busy : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

SessionLock::~SessionLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool SessionLockHeld(const std::string& name) {
    const std::string path = SessionLockPath(name);
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    int result;
    do {
        result = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    const bool held = result != 0 && errno == EWOULDBLOCK;
    ::close(fd); // also drops the shared lock
    return held;
}

} // namespace platform::qt
