#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "qt_internal.h"
#include "qt_services.h"
#include "x11_include.h"

namespace platform::qt {
namespace {

std::optional<Size>& HostedSize() {
    static std::optional<Size> size;
    return size;
}

class QtScreen : public Screen {
  public:
    Size PrimarySize() override {
        if (HostedSize()) return *HostedSize();
        if (QGuiApplication::instance()) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect geometry = screen->geometry();
                const double ratio = screen->devicePixelRatio();
                return Size{static_cast<int>(std::lround(geometry.width() * ratio)),
                            static_cast<int>(std::lround(geometry.height() * ratio))};
            }
        }
        if (Display* display = XDisplay()) {
            const int screen = DefaultScreen(display);
            return Size{DisplayWidth(display, screen), DisplayHeight(display, screen)};
        }
        return Size{};
    }

    double Dpi() override {
        if (const std::optional<double> dpi = XftDpi()) return *dpi;
        if (QGuiApplication::instance())
            if (QScreen* screen = QGuiApplication::primaryScreen())
                return screen->devicePixelRatio() * 96.0;
        return 96.0;
    }

    // Qt's screens, the primary first, in device pixels. The desktop's Xft.dpi holds for
    // every monitor; without it each screen's own ratio gives its density.
    std::vector<Monitor> Monitors() override {
        if (HostedSize() || !QGuiApplication::instance() || !QGuiApplication::primaryScreen())
            return Screen::Monitors();
        QScreen* primary = QGuiApplication::primaryScreen();
        const std::optional<double> xft = XftDpi();
        std::vector<Monitor> monitors;
        auto add = [&](QScreen* screen) {
            const QRect g = screen->geometry();
            const double ratio = screen->devicePixelRatio();
            monitors.push_back(Monitor{static_cast<int>(std::lround(g.x() * ratio)),
                                       static_cast<int>(std::lround(g.y() * ratio)),
                                       Size{static_cast<int>(std::lround(g.width() * ratio)),
                                            static_cast<int>(std::lround(g.height() * ratio))},
                                       xft ? *xft : ratio * 96.0});
        };
        add(primary);
        for (QScreen* screen : QGuiApplication::screens())
            if (screen != primary) add(screen);
        return monitors;
    }
};

} // namespace

void SetHostedSaverSize(std::optional<Size> size) {
    HostedSize() = size;
}

Screen& ScreenService() {
    static QtScreen screen;
    return screen;
}

} // namespace platform::qt
