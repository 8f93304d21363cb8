#include <QGuiApplication>

#include "qt_internal.h"
#include "x11_include.h"

namespace platform::qt {
namespace {

// One graphics context for every window of the root's depth, made on first use.
GC PutContext(Display* display) {
    static GC gc = XCreateGC(display, DefaultRootWindow(display), 0, nullptr);
    return gc;
}

} // namespace

bool PutsImagesDirectly() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    Display* display = XDisplay();
    if (!display) return false;
    // The image's 32-bit pixels are the screen's own only on a 24-bit true-colour screen with
    // red, green and blue in that order.
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    return DefaultDepth(display, DefaultScreen(display)) == 24 && visual->red_mask == 0xFF0000 &&
           visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF;
}

void PutImage(NativeHandle window, const QImage& image, const QRect& area) {
    Display* display = XDisplay();
    const QRect part = area.intersected(image.rect());
    if (!display || part.isEmpty() || image.format() != QImage::Format_RGB32) return;
    XImage pixels{};
    pixels.width = image.width();
    pixels.height = image.height();
    pixels.format = ZPixmap;
    pixels.data = const_cast<char*>(reinterpret_cast<const char*>(image.constBits()));
    pixels.byte_order = LSBFirst;
    pixels.bitmap_unit = 32;
    pixels.bitmap_bit_order = LSBFirst;
    pixels.bitmap_pad = 32;
    pixels.depth = 24;
    pixels.bytes_per_line = static_cast<int>(image.bytesPerLine());
    pixels.bits_per_pixel = 32;
    pixels.red_mask = 0xFF0000;
    pixels.green_mask = 0x00FF00;
    pixels.blue_mask = 0x0000FF;
    if (!XInitImage(&pixels)) return;
    XPutImage(display, static_cast<Window>(window), PutContext(display), &pixels, part.x(),
              part.y(), part.x(), part.y(), static_cast<unsigned>(part.width()),
              static_cast<unsigned>(part.height()));
    XFlush(display);
}

void FillWindow(NativeHandle window, const QRect& area, QRgb colour) {
    Display* display = XDisplay();
    if (!display || area.isEmpty()) return;
    GC gc = PutContext(display);
    XSetForeground(display, gc, colour & 0xFFFFFF);
    XFillRectangle(display, static_cast<Window>(window), gc, area.x(), area.y(),
                   static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
    XFlush(display);
}

} // namespace platform::qt
