#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/wayland/wayland_services.h"
#include "qt_internal.h"
#include "qt_services.h"
#include "x11_include.h"

namespace platform {
namespace {

// Qt ends the process when it cannot reach the display; say why in words instead.
bool DisplayReachable() {
    if (std::getenv("QT_QPA_PLATFORM")) return true;
    const char* name = std::getenv("DISPLAY");
    Display* display = name && name[0] ? XOpenDisplay(nullptr) : nullptr;
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

} // namespace

int RunProgram(int argc, char** argv, void (*main)(const StartInfo&)) {
    std::setlocale(LC_ALL, "");
    StartInfo start;
    for (int i = 1; i < argc; ++i) {
        start.Arguments.emplace_back(argv[i]);
        start.CommandLine += (i > 1 ? " " : "") + start.Arguments.back();
    }
    if (const char* window = std::getenv("XSCREENSAVER_WINDOW"))
        start.SaverWindowEnvironment = window;
    if (const char* home = std::getenv("HOME")) start.HomeDirectory = home;

    // On a Wayland desktop the program is a Wayland client of its own; X11 otherwise.
    std::unique_ptr<wayland::Connection> wayland = wayland::ChooseWayland(start);
    if (wayland) {
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        wayland::SetCurrent(wayland.get());
    }
    if (!wayland && !DisplayReachable()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr,
                     "%s: cannot open the X display %s; run it inside an X session or set "
                     "QT_QPA_PLATFORM.\n",
                     argc > 0 ? argv[0] : "lumorascr",
                     display && display[0] ? display : "(DISPLAY is not set)");
        return 1;
    }
    // Embedding and the window lookup work on X11 windows, so Qt runs on xcb.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The saver pumps events fifty times a second; Qt's own dispatcher does that for about a
    // third less processor time than the GLib one, and nothing here needs GLib's loop.
    if (!std::getenv("QT_NO_GLIB")) setenv("QT_NO_GLIB", "1", 1);
    // Qt sees only the program's name: the switches are the program's, not Qt's.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("lumorascr"), nullptr};
    QApplication application(qtArgc, qtArgv);
    // Numbers in files are read the same way whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    application.setQuitOnLastWindowClosed(false);
    qt::HoldTitleLocks();

    if (wayland) wayland->ServeFromEventLoop();
    ScopedServices services(wayland ? wayland::WaylandServices() : NativeServices());
    main(start);
    qt::WindowsService().RunMessageLoop();
    return 0;
}

} // namespace platform
