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
