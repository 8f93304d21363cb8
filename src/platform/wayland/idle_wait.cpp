// `lumorascr --idle MINUTES`: stays for the session, and runs the show as a child process of
// the same program (`lumorascr /s`) each time the compositor reports MINUTES without input.
//
// The show runs in a child so that each one starts from the stored picture list as it is then,
// and everything a show holds (canvases, decoded pictures, its toolkit, its windows) goes with
// its process: the waiting process never loads a picture or starts the toolkit at all. While
// it waits it sleeps in poll() on the compositor's socket (and on GNOME the session bus's) with
// no timeout.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/idle.h"
#include "platform/wayland/gnome_idle.h"
#include "platform/wayland/protocols.h"
#include "platform/qt/session_lock.h"
#include "startup/startup.h"

extern char** environ;

namespace platform {
namespace {

const char* const SwayidleWay = "swayidle timeout 600 'lumorascr /s'";

struct Globals {
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    bool allowExt = true;
    bool allowKde = true;
    bool allowGnome = true;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto& g = *static_cast<Globals*>(data);
    if (!g.seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
        g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (g.allowExt && !g.notifier &&
               std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
        g.notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (g.allowKde && !g.kdeIdle &&
               std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
        g.kdeIdle = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {OnGlobal, OnGlobalRemove};

// Set when an idle period begins, taken by the loop: one show per idle period.
bool idleBegan = false;
void OnIdled(void*, ext_idle_notification_v1*) { idleBegan = true; }
void OnResumed(void*, ext_idle_notification_v1*) { idleBegan = false; }
const ext_idle_notification_v1_listener extListener = {OnIdled, OnResumed};
void OnKdeIdle(void*, org_kde_kwin_idle_timeout*) { idleBegan = true; }
void OnKdeResumed(void*, org_kde_kwin_idle_timeout*) { idleBegan = false; }
const org_kde_kwin_idle_timeout_listener kdeListener = {OnKdeIdle, OnKdeResumed};

// The program's own file, resolved now: after an upgrade replaces it, the next show runs the
// new one.
std::string OwnProgram() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    return std::string(path, static_cast<std::size_t>(length));
}

// The show's process, or 0 with `error` set.
pid_t StartShow(const std::string& program, const char* name, int& error) {
    char* arguments[] = {const_cast<char*>(name), const_cast<char*>("/s"), nullptr};
    pid_t child = 0;
    error = posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environ);
    return error == 0 ? child : 0;
}

// Sleeps until the compositor, the session bus (when given) or the descriptor `other` (when
// not negative) has something, and reads what came. False when the compositor or the bus
// went away; `otherReady` tells whether `other` became readable.
bool WaitForEvents(wl_display* display, wayland::GnomeIdle* bus, int other, bool& otherReady) {
    pollfd fds[3] = {{wl_display_get_fd(display), POLLIN, 0}, {other, POLLIN, 0},
                     {bus ? bus->Fd() : -1, POLLIN, 0}};
    otherReady = false;
    // Signals read while a call waited for its answer are queued already.
    if (bus && bus->Pending()) return bus->Service();
    wl_display_flush(display);
    if (::poll(fds, 3, -1) < 0) return errno == EINTR;
    if ((fds[0].revents & POLLIN) && wl_display_dispatch(display) < 0) return false;
    if (fds[0].revents & (POLLHUP | POLLERR)) return false;
    if (bus && fds[2].revents && !bus->Service()) return false;
    otherReady = (fds[1].revents & POLLIN) != 0;
    return true;
}

// Waits for the show to end while still reading the compositor's events and the bus's. False
// when either went away.
bool WaitForShow(wl_display* display, wayland::GnomeIdle* bus, pid_t child) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    for (bool ended = false; pidfd >= 0 && !ended;) {
        if (!WaitForEvents(display, bus, pidfd, ended)) {
            ::close(pidfd);
            return false;
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (pidfd >= 0) ::close(pidfd);
    return true;
}

} // namespace

int RunIdle(int argc, char** argv) {
    const char* name = argc > 0 ? argv[0] : "lumorascr";
    // For tests only: LUMORA_IDLE_SECONDS=1 reads MINUTES as seconds.
    const char* unit = std::getenv("LUMORA_IDLE_SECONDS");
    const auto milliseconds = basComon::IdleMilliseconds(argc == 3 ? argv[2] : "",
                                                         unit && std::strcmp(unit, "1") == 0);
    if (!milliseconds) {
        std::fprintf(stderr, "%s: --idle takes the minutes of idle time before the show, a "
                             "whole number from 1 to %u\n",
                     name, basComon::MaxIdleMinutes);
        return 2;
    }
    qt::SessionLock lock("idle");
    if (lock.Result() == qt::SessionLock::State::Busy) {
        std::fprintf(stderr, "%s: --idle already runs in this session\n", name);
        return 1;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr,
                     "%s: --idle needs a Wayland compositor and finds none (WAYLAND_DISPLAY); "
                     "under X11, XScreenSaver runs the saver\n",
                     name);
        return 2;
    }
    Globals globals;
    // For tests only: the idle protocols the program may use, by name ("none": neither).
    if (const char* allowed = std::getenv("LUMORA_IDLE_PROTOCOLS")) {
        const std::string list = allowed;
        globals.allowExt = list.find("ext_idle_notifier_v1") != std::string::npos;
        globals.allowKde = list.find("org_kde_kwin_idle") != std::string::npos;
        globals.allowGnome = list.find("org.gnome.Mutter.IdleMonitor") != std::string::npos;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    if (wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "%s: --idle: the Wayland compositor closed the connection\n", name);
        return 1;
    }
    // The idle notification that honours idle inhibitors (a playing video) comes first; GNOME's
    // idle monitor on the session bus only where the compositor offers neither protocol.
    std::unique_ptr<wayland::GnomeIdle> gnome;
    std::string noGnome = "left out";
    if (globals.seat && globals.notifier) {
        auto* notification = ext_idle_notifier_v1_get_idle_notification(
            globals.notifier, *milliseconds, globals.seat);
        ext_idle_notification_v1_add_listener(notification, &extListener, nullptr);
    } else if (globals.seat && globals.kdeIdle) {
        auto* timeout = org_kde_kwin_idle_get_idle_timeout(globals.kdeIdle, globals.seat,
                                                           *milliseconds);
        org_kde_kwin_idle_timeout_add_listener(timeout, &kdeListener, nullptr);
    } else if (!globals.allowGnome ||
               !(gnome = wayland::GnomeIdle::Open(*milliseconds, noGnome))) {
        std::fprintf(stderr,
                     "%s: --idle: this compositor reports no idle time (neither "
                     "ext-idle-notify-v1 nor org_kde_kwin_idle, nor GNOME's idle monitor: %s); "
                     "start the saver from an idle daemon instead: %s\n",
                     name, noGnome.c_str(), SwayidleWay);
        wl_display_disconnect(display);
        return 2;
    }
    const std::string program = OwnProgram();
    // An idle period that begins while a show runs (input the show did not take) starts the
    // next show as soon as that one ends, unless input came in between.
    for (;;) {
        if (gnome ? !gnome->TakeIdle() : !idleBegan) {
            bool unused = false;
            if (gnome ? !WaitForEvents(display, gnome.get(), -1, unused)
                      : wl_display_dispatch(display) < 0)
                break;
            continue;
        }
        idleBegan = false;
        // The show's own start refuses while the settings dialog is open, which skips this
        // idle period: the next one begins after the user's next input.
        int error = 0;
        const pid_t child = StartShow(program.empty() ? "/proc/self/exe" : program, name, error);
        if (child <= 0) {
            std::fprintf(stderr, "%s: --idle cannot start the show: %s\n", name,
                         std::strerror(error));
            continue;
        }
        if (!WaitForShow(display, gnome.get(), child)) break;
        if (gnome) gnome->ShowEnded();
    }
    std::fprintf(stderr, "%s: --idle: the Wayland compositor closed the connection%s\n", name,
                 gnome ? " (or GNOME's idle monitor left the session bus)" : "");
    return 1;
}

} // namespace platform
