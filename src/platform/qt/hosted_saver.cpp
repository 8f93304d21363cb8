#include <QObject>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <bit>
#include <cstdlib>

#include "qt_internal.h"
#include "x11_include.h"

namespace platform::qt {
namespace {

const QColor kNavy(0, 0, 64);

// One colour channel of a pixel placed under an X visual's mask.
unsigned long Channel(int value, unsigned long mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled =
        bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
    return (scaled << shift) & mask;
}

// Draws into a window that another program owns (XScreenSaver's), through a connection of its
// own so that it sees that window's exposures and its end. It selects no input there: keys
// and the pointer stay with the window's owner.
class HostedSaverWindow : public SaverWindow {
  public:
    HostedSaverWindow(SaverEvents& events, NativeHandle host)
        : events_(events), host_(static_cast<Window>(host)) {
        const char* name = std::getenv("DISPLAY");
        display_ = name && name[0] ? XOpenDisplay(nullptr) : nullptr;
        XWindowAttributes attributes{};
        Status status = 0;
        if (display_ &&
            WithoutXErrors(display_,
                           [&] { status = XGetWindowAttributes(display_, host_, &attributes); }) &&
            status) {
            visual_ = attributes.visual;
            depth_ = attributes.depth;
            WithoutXErrors(display_, [&] {
                XSelectInput(display_, host_, ExposureMask | StructureNotifyMask);
                gc_ = XCreateGC(display_, host_, 0, nullptr);
            });
            Resize(attributes.width, attributes.height);
            notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_),
                                                          QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
        } else {
            // Nothing to draw into: the saver is asked to end as soon as it looks.
            gone_ = true;
            QTimer::singleShot(0, &guard_, [this] { events_.OnCloseRequest(); });
        }
        SetTerminationHandler([this] { events_.OnCloseRequest(); });
    }
    ~HostedSaverWindow() override { Close(); }

    void Show() override {
        if (!counted_) WindowOpened();
        counted_ = true;
        Put(image_.rect());
    }
    void Maximize() override { Put(image_.rect()); }
    // The host's stacking belongs to its owner.
    void MakeTopmost() override {}
    Size ClientSize() override { return Size{image_.width(), image_.height()}; }
    DeviceContext& Dc() override { return dc_; }
    // The window and its title belong to the program that hosts the saver.
    void SetCaption(const std::string&) override {}

    void Close() override {
        if (closed_) return;
        closed_ = true;
        SetTerminationHandler({});
        SetHostedSaverSize(std::nullopt);
        notifier_.reset();
        if (display_) {
            if (gc_) XFreeGC(display_, gc_);
            XCloseDisplay(display_);
            display_ = nullptr;
        }
        if (counted_) WindowGone();
        counted_ = false;
    }

  private:
    void Resize(int width, int height) {
        QImage resized(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
        resized.fill(kNavy);
        QPainter painter(&resized);
        painter.drawImage(0, 0, image_);
        painter.end();
        image_ = std::move(resized);
        SetHostedSaverSize(Size{image_.width(), image_.height()});
    }

    bool SameLayout(const XImage* image) const {
        const bool littleEndian = std::endian::native == std::endian::little;
        return image->bits_per_pixel == 32 &&
               image->byte_order == (littleEndian ? LSBFirst : MSBFirst) &&
               visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 &&
               visual_->blue_mask == 0xFF;
    }

    void Put(const QRect& area) {
        const QRect box = area.intersected(image_.rect());
        if (!display_ || gone_ || box.isEmpty()) return;
        WithoutXErrors(display_, [&] {
            XImage* whole = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap,
                                         0, reinterpret_cast<char*>(image_.bits()),
                                         static_cast<unsigned>(image_.width()),
                                         static_cast<unsigned>(image_.height()), 32,
                                         static_cast<int>(image_.bytesPerLine()));
            if (!whole) return;
            if (SameLayout(whole))
                XPutImage(display_, host_, gc_, whole, box.x(), box.y(), box.x(), box.y(),
                          static_cast<unsigned>(box.width()), static_cast<unsigned>(box.height()));
            else
                PutConverted(box);
            whole->data = nullptr; // the pixels belong to image_
            XDestroyImage(whole);
        });
        Drain();
    }

    // Any other visual: the pixels are translated one by one.
    void PutConverted(const QRect& box) {
        XImage* part = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                                    nullptr, static_cast<unsigned>(box.width()),
                                    static_cast<unsigned>(box.height()), 32, 0);
        if (!part) return;
        part->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(part->bytes_per_line) *
                                                    static_cast<std::size_t>(box.height())));
        if (!part->data) {
            XDestroyImage(part);
            return;
        }
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x) {
                const QRgb rgb = image_.pixel(box.x() + x, box.y() + y);
                XPutPixel(part, x, y,
                          Channel(qRed(rgb), visual_->red_mask) |
                              Channel(qGreen(rgb), visual_->green_mask) |
                              Channel(qBlue(rgb), visual_->blue_mask));
            }
        XPutImage(display_, host_, gc_, part, 0, 0, box.x(), box.y(),
                  static_cast<unsigned>(box.width()), static_cast<unsigned>(box.height()));
        XDestroyImage(part);
    }

    void Drain() {
        if (!display_ || draining_) return;
        draining_ = true;
        QRegion exposed;
        bool ended = false;
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == Expose && event.xexpose.window == host_)
                exposed += QRect(event.xexpose.x, event.xexpose.y, event.xexpose.width,
                                 event.xexpose.height);
            else if (event.type == ConfigureNotify && event.xconfigure.window == host_ &&
                     (event.xconfigure.width != image_.width() ||
                      event.xconfigure.height != image_.height()))
                Resize(event.xconfigure.width, event.xconfigure.height);
            else if (event.type == DestroyNotify && event.xdestroywindow.window == host_)
                ended = true;
        }
        draining_ = false;
        if (ended) {
            gone_ = true;
            events_.OnCloseRequest();
            return;
        }
        for (const QRect& area : exposed)
            Put(area);
    }

    SaverEvents& events_;
    Window host_;
    Display* display_ = nullptr;
    Visual* visual_ = nullptr;
    int depth_ = 24;
    GC gc_ = nullptr;
    QImage image_{0, 0, QImage::Format_RGB32};
    ImageDc dc_{image_, [this](const QRect& area) { Put(area); }};
    std::unique_ptr<QSocketNotifier> notifier_;
    QObject guard_;
    bool draining_ = false;
    bool gone_ = false;
    bool closed_ = false;
    bool counted_ = false;
};

} // namespace

std::unique_ptr<SaverWindow> CreateHostedSaverWindow(SaverEvents& events, NativeHandle host) {
    return std::make_unique<HostedSaverWindow>(events, host);
}

} // namespace platform::qt
