// Starts a program and reports how long it takes until its full-screen window shows the navy
// background and then the first revealed tile (a tile centre that turns from navy; a centre the
// window does not cover yet is not a tile), read from the X server's root window.
//
//   lumora_first_tile PROGRAM ARGS...      prints "<navy ms> <first tile ms>"; ends the program
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

bool IsNavy(unsigned long pixel) {
    return pixel == 0x000040;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window root = DefaultRootWindow(display);
    const int w = DisplayWidth(display, DefaultScreen(display));
    const int h = DisplayHeight(display, DefaultScreen(display));
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    auto ms = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    double navyAt = -1, tileAt = -1;
    bool wasNavy[48] = {};
    while (ms() < 20000 && tileAt < 0) {
        for (int t = 0; t < 48; ++t) {
            const int x = (t % 8) * (w / 8) + w / 16, y = (t / 8) * (h / 6) + h / 12;
            XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
            if (!image) continue;
            const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
            XDestroyImage(image);
            if (IsNavy(pixel)) {
                wasNavy[t] = true;
                if (navyAt < 0) navyAt = ms();
            } else if (wasNavy[t] && tileAt < 0) {
                tileAt = ms();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("%.0f %.0f\n", navyAt, tileAt);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return tileAt < 0;
}
