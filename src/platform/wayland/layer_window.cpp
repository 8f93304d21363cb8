#include "platform/wayland/layer_window.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_surface.h"
#include "platform/qt/shown_parts.h"
#include "platform/qt/session_lock.h"
#include "startup/startup.h"
#include "platform/wayland/shm_buffers.h"

namespace platform::wayland {
namespace {

// For tests: when LUMORA_TRACE_OUTPUTS names a file, each surface adds one line there as it
// first shows a frame: "<output name> <width>x<height> layer", the size in buffer pixels.
void TraceShown(const Output* output, int width, int height) {
    const char* path = std::getenv("LUMORA_TRACE_OUTPUTS");
    if (!path || !*path) return;
    const std::string line = (output && !output->name.empty() ? output->name : "?") + " " +
                             std::to_string(width) + "x" + std::to_string(height) + " layer\n";
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

class LayerWindow;
std::vector<LayerWindow*> windows;
LayerWindow* primaryWindow = nullptr;

void LayerConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t w, uint32_t h);
void LayerClosed(void* data, zwlr_layer_surface_v1*);
const zwlr_layer_surface_v1_listener layerListener = {LayerConfigure, LayerClosed};
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale);
const wp_fractional_scale_v1_listener fractionalListener = {PreferredScale};
#endif

class LayerWindow : public SaverWindow, public InputTarget {
  public:
    LayerWindow(Connection& c, SaverEvents& events, const Output& output, const Monitor& monitor,
                bool primary)
        : c_(c), events_(events), output_(output.proxy), monitor_(monitor), primary_(primary),
          pixels_(0, 0, std::max(1, monitor.Area.Width), std::max(1, monitor.Area.Height)),
          buffers_(c.Shm()) {
        buffers_.released = [this] { QueuePresent(); };
        windows.push_back(this);
        if (primary_) {
            primaryWindow = this;
            qt::SetTerminationHandler([&events] { events.OnCloseRequest(); });
        }
    }
    ~LayerWindow() override {
        Close();
        std::erase(windows, this);
        if (primaryWindow == this) primaryWindow = nullptr;
    }

    void Show() override {
        if (!surface_ && output_) MakeSurface();
        if (!counted_) qt::WindowOpened();
        counted_ = true;
    }
    // The compositor sizes the surface to its output; its first answer is awaited here.
    void Maximize() override {
        if (surface_ && !configured_) c_.Roundtrip();
    }
    // The overlay layer is above every window and panel already.
    void MakeTopmost() override {}
    Size ClientSize() override { return Size{pixels_.width(), pixels_.height()}; }
    // A copy of the window's own, made on first use only: the show reveals its canvases.
    DeviceContext& Dc() override {
        if (!dc_) {
            kept_ = QImage(pixels_.size(), QImage::Format_RGB32);
            kept_.fill(Qt::black);
            dc_ = std::make_unique<qt::ImageDc>(kept_,
                                                [this](const QRect& area) { Shown(kept_, area); });
        }
        return *dc_;
    }
    void Reveal(Surface& canvas, const Rect& area) override {
        const QImage& image = qt::ImageOf(canvas);
        if (image.isNull()) return SaverWindow::Reveal(canvas, area);
        Shown(image, QRect(area.Left, area.Top, area.Width(), area.Height()));
    }
    // Surfaces have no title another program can look up: the window holds the session lock
    // named after its title for as long as it is open, which the title lookup asks for.
    void SetCaption(const std::string& caption) override {
        captionLock_.reset();
        if (!caption.empty())
            captionLock_ =
                std::make_unique<qt::SessionLock>(basComon::SessionLockName(caption));
    }
    void Close() override {
        captionLock_.reset();
        if (primary_ && primaryWindow == this) qt::SetTerminationHandler({});
        DropSurface();
        output_ = nullptr;
        shown_.parts.clear();
        if (counted_) qt::WindowGone();
        counted_ = false;
    }

    wl_output* OutputProxy() const { return output_; }
    const Monitor& Where() const { return monitor_; }
    bool Shown() const { return counted_; }
    // An output at this window's place and size came (back): the window shows there again.
    void Reattach(wl_output* output) {
        if (output_) return;
        output_ = output;
        if (counted_) MakeSurface();
    }
    void OutputGone() {
        DropSurface();
        output_ = nullptr;
    }
    void CloseRequested() { events_.OnCloseRequest(); }

    void Configured(uint32_t serial, uint32_t w, uint32_t h) {
        zwlr_layer_surface_v1_ack_configure(layer_, serial);
        const bool resized = static_cast<int>(w) != logicalW_ || static_cast<int>(h) != logicalH_;
        logicalW_ = static_cast<int>(w);
        logicalH_ = static_cast<int>(h);
        configured_ = true;
        if (resized) MapPixels();
        damage_ = QRegion(pixels_);
        QueuePresent();
    }
    void ScaleChanged(int scale120) {
        if (Output* o = c_.OutputOf(output_)) o->preferredScale120 = scale120;
        MapPixels();
        damage_ = QRegion(pixels_);
        QueuePresent();
    }

    // Input.
    void PointerEntered(uint32_t, wl_pointer*, double x, double y) override { PointerAt(x, y); }
    void PointerAt(double x, double y) override {
        const double sx = logicalW_ > 0 ? double(pixels_.width()) / logicalW_ : 1.0;
        const double sy = logicalH_ > 0 ? double(pixels_.height()) / logicalH_ : 1.0;
        const double left = primary_ ? 0 : monitor_.Left, top = primary_ ? 0 : monitor_.Top;
        events_.OnMouseMove(left + x * sx, top + y * sy);
    }
    void ButtonPressed(int button) override { events_.OnMouseDown(button); }
    void KeyPressed(int key) override { events_.OnKeyDown(key); }

    void DropSurface() {
        if (!surface_) return;
        c_.Forget(surface_);
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
        if (fractional_) wp_fractional_scale_v1_destroy(fractional_);
        fractional_ = nullptr;
#endif
        if (viewport_) wp_viewport_destroy(viewport_);
        viewport_ = nullptr;
        zwlr_layer_surface_v1_destroy(layer_);
        wl_surface_destroy(surface_);
        layer_ = nullptr;
        surface_ = nullptr;
        buffers_.Reset();
        configured_ = false;
        traced_ = false;
        logicalW_ = logicalH_ = 0;
        c_.Flush();
    }

  private:
    void MakeSurface() {
        surface_ = wl_compositor_create_surface(c_.Compositor());
        c_.Route(surface_, this);
        layer_ = zwlr_layer_shell_v1_get_layer_surface(c_.LayerShell(), surface_, output_,
                                                       ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
                                                       "lumorascr");
        zwlr_layer_surface_v1_add_listener(layer_, &layerListener, this);
        zwlr_layer_surface_v1_set_size(layer_, 0, 0);
        zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
        // Exclusive: keys reach the show only (1 is also "on" for older versions).
        zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, 1);
        if (c_.Viewporter()) viewport_ = wp_viewporter_get_viewport(c_.Viewporter(), surface_);
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
        if (c_.FractionalScale()) {
            fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(c_.FractionalScale(),
                                                                              surface_);
            wp_fractional_scale_v1_add_listener(fractional_, &fractionalListener, this);
        }
#endif
        wl_surface_commit(surface_);
        c_.Flush();
    }

    // How the image's pixels map onto the surface: through the viewport (any scale) where
    // there is one, else by the output's whole scale.
    void MapPixels() {
        if (!surface_ || logicalW_ <= 0 || logicalH_ <= 0) return;
        if (viewport_) {
            wp_viewport_set_destination(viewport_, logicalW_, logicalH_);
        } else if (c_.CompositorVersion() >= 3) {
            const Output* o = c_.OutputOf(output_);
            const int scale = o ? o->scale : 1;
            wl_surface_set_buffer_scale(surface_, pixels_.width() % scale == 0 &&
                                                          pixels_.height() % scale == 0
                                                      ? scale
                                                      : 1);
        }
    }

    void Shown(const QImage& image, const QRect& area) {
        shown_.Reveal(&image, area.intersected(pixels_));
        damage_ += area.intersected(pixels_);
        QueuePresent();
    }
    void QueuePresent() {
        if (presentQueued_) return;
        presentQueued_ = true;
        QTimer::singleShot(0, &context_, [this] { Present(); });
    }

    // Copies what changed into a buffer the compositor does not hold and shows it. With both
    // held, the change waits for one to come back; a buffer that cannot be made skips the frame.
    void Present() {
        presentQueued_ = false;
        if (!surface_ || !configured_ || damage_.isEmpty()) return;
        ShmBuffers::Slot* slot = buffers_.Free(pixels_.width(), pixels_.height());
        if (!slot) return;
        // Straight from the images the parts were revealed from; what none covers is black.
        QRegion rest = (slot->stale + damage_).intersected(pixels_);
        for (const qt::ShownParts::Part& part : shown_.parts) {
            const QRegion from = rest.intersected(part.region);
            for (const QRect& area : from)
                for (int y = area.top(); y <= area.bottom(); ++y)
                    std::memcpy(
                        slot->pixels + static_cast<std::size_t>(y) * slot->stride + area.x() * 4,
                        part.image->constScanLine(y) + area.x() * 4,
                        static_cast<std::size_t>(area.width()) * 4);
            rest -= from;
        }
        for (const QRect& area : rest)
            for (int y = area.top(); y <= area.bottom(); ++y)
                std::memset(slot->pixels + static_cast<std::size_t>(y) * slot->stride + area.x() * 4,
                            0, static_cast<std::size_t>(area.width()) * 4);
        slot->stale = QRegion();
        buffers_.Changed(damage_, slot);
        wl_surface_attach(surface_, slot->buffer, 0, 0);
        if (c_.CompositorVersion() >= 4) {
            for (const QRect& r : damage_)
                wl_surface_damage_buffer(surface_, r.x(), r.y(), r.width(), r.height());
        } else {
            wl_surface_damage(surface_, 0, 0, INT32_MAX, INT32_MAX);
        }
        wl_surface_commit(surface_);
        slot->busy = true;
        damage_ = QRegion();
        c_.Flush();
        if (!traced_) TraceShown(c_.OutputOf(output_), slot->width, slot->height);
        traced_ = true;
    }

    Connection& c_;
    SaverEvents& events_;
    wl_output* output_;
    Monitor monitor_;
    bool primary_;
    // The window's pixels; the parts shown, by the canvas each came from.
    QRect pixels_;
    qt::ShownParts shown_;
    QImage kept_;
    std::unique_ptr<qt::ImageDc> dc_;
    ShmBuffers buffers_;
    QObject context_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wp_viewport* viewport_ = nullptr;
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
    wp_fractional_scale_v1* fractional_ = nullptr;
#endif
    int logicalW_ = 0, logicalH_ = 0;
    bool configured_ = false;
    bool traced_ = false;
    bool counted_ = false;
    std::unique_ptr<qt::SessionLock> captionLock_;
    bool presentQueued_ = false;
    QRegion damage_;
};

void LayerConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t w, uint32_t h) {
    static_cast<LayerWindow*>(data)->Configured(serial, w, h);
}
// The compositor took the surface away (its output went): the show goes on elsewhere.
void LayerClosed(void* data, zwlr_layer_surface_v1*) {
    static_cast<LayerWindow*>(data)->DropSurface();
}
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    static_cast<LayerWindow*>(data)->ScaleChanged(static_cast<int>(scale));
}
#endif

} // namespace

std::unique_ptr<SaverWindow> CreateLayerWindow(Connection& connection, SaverEvents& events,
                                               const Output& output, const Monitor& monitor,
                                               bool primary) {
    return std::make_unique<LayerWindow>(connection, events, output, monitor, primary);
}

wl_output* PrimaryWindowOutput() {
    return primaryWindow ? primaryWindow->OutputProxy() : nullptr;
}

void OutputGoing(wl_output* output) {
    for (LayerWindow* w : windows)
        if (w->OutputProxy() == output) w->OutputGone();
}

std::optional<Monitor> LostPrimaryPlace() {
    if (!primaryWindow || !primaryWindow->Shown() || primaryWindow->OutputProxy())
        return std::nullopt;
    return primaryWindow->Where();
}

void ReattachPrimary(const std::vector<const Output*>& outputs) {
    if (!LostPrimaryPlace()) return;
    const Monitor& place = primaryWindow->Where();
    for (const Output* o : outputs)
        if (o->x == place.Left && o->y == place.Top && o->Pixels() == place.Area) {
            primaryWindow->Reattach(o->proxy);
            return;
        }
}

void ClosePrimaryShow() {
    if (primaryWindow) primaryWindow->CloseRequested();
}

} // namespace platform::wayland
