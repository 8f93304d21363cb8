#include "platform/wayland/connection.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

#include "platform/wayland/input.h"

namespace platform::wayland {
namespace {

Connection* current = nullptr;

void OutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                    const char*, const char*, int32_t transform) {
    auto* o = static_cast<Output*>(data);
    o->x = x;
    o->y = y;
    o->transform = transform;
}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    auto* o = static_cast<Output*>(data);
    o->width = width;
    o->height = height;
}
void OutputDone(void* data, wl_output*) { static_cast<Output*>(data)->done = true; }
void OutputScale(void* data, wl_output*, int32_t factor) {
    static_cast<Output*>(data)->scale = std::max(1, factor);
}
void OutputName(void* data, wl_output*, const char* name) {
    static_cast<Output*>(data)->name = name ? name : "";
}
void OutputDescription(void*, wl_output*, const char*) {}

const wl_output_listener outputListener = {OutputGeometry, OutputMode, OutputDone, OutputScale,
                                           OutputName, OutputDescription};

void RegistryGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                    uint32_t version);
void RegistryGlobalRemove(void* data, wl_registry*, uint32_t name);
const wl_registry_listener registryListener = {RegistryGlobal, RegistryGlobalRemove};

} // namespace

void AddGlobal(Connection& c, std::uint32_t name, const char* interface, std::uint32_t version) {
    c.globals_.push_back({name, interface, version});
    const std::string what = interface;
    if (what == wl_compositor_interface.name && !c.compositor_) {
        c.compositorVersion_ = std::min<std::uint32_t>(version, 4);
        c.compositor_ = static_cast<wl_compositor*>(
            wl_registry_bind(c.registry_, name, &wl_compositor_interface, c.compositorVersion_));
    } else if (what == wl_shm_interface.name && !c.shm_) {
        c.shm_ = static_cast<wl_shm*>(wl_registry_bind(c.registry_, name, &wl_shm_interface, 1));
    } else if (what == zwlr_layer_shell_v1_interface.name && !c.layerShell_) {
        c.layerShell_ = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
            c.registry_, name, &zwlr_layer_shell_v1_interface, std::min<std::uint32_t>(version, 4)));
    } else if (what == wp_viewporter_interface.name && !c.viewporter_) {
        c.viewporter_ = static_cast<wp_viewporter*>(
            wl_registry_bind(c.registry_, name, &wp_viewporter_interface, 1));
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
    } else if (what == wp_fractional_scale_manager_v1_interface.name && !c.fractionalScale_) {
        c.fractionalScale_ = static_cast<wp_fractional_scale_manager_v1*>(
            wl_registry_bind(c.registry_, name, &wp_fractional_scale_manager_v1_interface, 1));
#endif
    } else if (what == wl_output_interface.name) {
        auto output = std::make_unique<Output>();
        output->global = name;
        output->proxy = static_cast<wl_output*>(wl_registry_bind(
            c.registry_, name, &wl_output_interface, std::min<std::uint32_t>(version, 4)));
        wl_output_add_listener(output->proxy, &outputListener, output.get());
        c.outputs_.push_back(std::move(output));
    } else if (what == wl_seat_interface.name) {
        c.seats_.push_back(MakeSeat(c, name, static_cast<wl_seat*>(wl_registry_bind(
            c.registry_, name, &wl_seat_interface, std::min<std::uint32_t>(version, 5)))));
    }
}

void RemoveGlobal(Connection& c, std::uint32_t name) {
    std::erase_if(c.globals_, [name](const Connection::Global& g) { return g.name == name; });
    for (auto it = c.outputs_.begin(); it != c.outputs_.end(); ++it) {
        if ((*it)->global != name) continue;
        if (c.outputGone) c.outputGone((*it)->proxy);
        if (wl_output_get_version((*it)->proxy) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release((*it)->proxy);
        else
            wl_output_destroy((*it)->proxy);
        c.outputs_.erase(it);
        return;
    }
    std::erase_if(c.seats_, [name](const auto& seat) { return SeatGlobal(*seat) == name; });
}

namespace {

void RegistryGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                    uint32_t version) {
    AddGlobal(*static_cast<Connection*>(data), name, interface, version);
}
void RegistryGlobalRemove(void* data, wl_registry*, uint32_t name) {
    RemoveGlobal(*static_cast<Connection*>(data), name);
}

} // namespace

Size Output::Pixels() const {
    const bool turned = transform == WL_OUTPUT_TRANSFORM_90 ||
                        transform == WL_OUTPUT_TRANSFORM_270 ||
                        transform == WL_OUTPUT_TRANSFORM_FLIPPED_90 ||
                        transform == WL_OUTPUT_TRANSFORM_FLIPPED_270;
    return turned ? Size{height, width} : Size{width, height};
}

std::unique_ptr<Connection> Connection::Open() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !name[0]) return nullptr;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<Connection> c(new Connection);
    c->display_ = display;
    c->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(c->registry_, &registryListener, c.get());
    // The globals, then what the outputs and seats say of themselves.
    c->Roundtrip();
    c->Roundtrip();
    if (!c->compositor_ || !c->shm_) return nullptr;
    return c;
}

Connection::~Connection() {
    delete notifier_;
    if (current == this) current = nullptr;
    // Every proxy goes before the connection does.
    seats_.clear();
    for (const auto& o : outputs_) wl_output_destroy(o->proxy);
    outputs_.clear();
    if (display_) wl_display_disconnect(display_);
}

void Connection::ServeFromEventLoop() {
    if (notifier_ || !QCoreApplication::instance()) return;
    notifier_ = new QSocketNotifier(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, [this] { Service(); });
    Service();
}

void Connection::Broken(const char* what) {
    const int error = wl_display_get_error(display_);
    std::fprintf(stderr, "lumorascr: the connection to the Wayland compositor was lost (%s: %s)\n",
                 what, std::strerror(error ? error : EPIPE));
    std::fflush(stderr);
    _exit(1);
}

void Connection::Service() {
    while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0) Broken("dispatching");
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display_);
        Broken("sending");
    }
    pollfd p{wl_display_get_fd(display_), POLLIN, 0};
    if (::poll(&p, 1, 0) > 0) {
        if (wl_display_read_events(display_) < 0) Broken("reading");
    } else {
        wl_display_cancel_read(display_);
    }
    if (wl_display_dispatch_pending(display_) < 0) Broken("dispatching");
    if (wl_display_get_error(display_)) Broken("protocol");
}

void Connection::Roundtrip() {
    if (wl_display_roundtrip(display_) < 0) Broken("waiting for the compositor");
}

void Connection::Flush() {
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) Broken("sending");
}

void* Connection::Bind(const wl_interface* interface, std::uint32_t version) {
    for (const Global& g : globals_)
        if (g.interface == interface->name)
            return wl_registry_bind(registry_, g.name, interface, std::min(version, g.version));
    return nullptr;
}

std::vector<const Output*> Connection::Outputs() const {
    std::vector<const Output*> list;
    for (const auto& o : outputs_)
        if (o->done && o->width > 0 && o->height > 0) list.push_back(o.get());
    return list;
}

Output* Connection::OutputOf(wl_output* proxy) {
    for (const auto& o : outputs_)
        if (o->proxy == proxy) return o.get();
    return nullptr;
}

void Connection::Route(wl_surface* surface, InputTarget* target) { routes_[surface] = target; }

void Connection::Forget(wl_surface* surface) {
    routes_.erase(surface);
    // A surface the program takes away loses the keyboard without the user doing anything.
    if (keyboardFocus_ == surface) keyboardFocus_ = nullptr;
    ForgetSurface(seats_, surface);
}

void Connection::HidePointer(bool hide) {
    const bool now = hide && !hidePointer;
    hidePointer = hide;
    if (now) {
        HidePointers(seats_);
        Flush();
    }
}

InputTarget* Connection::TargetOf(wl_surface* surface) const {
    const auto it = surface ? routes_.find(surface) : routes_.end();
    return it == routes_.end() ? nullptr : it->second;
}

void Connection::KeyboardEntered(wl_surface* surface) {
    if (!TargetOf(surface)) return;
    keyboardFocus_ = surface;
    keyboardHeld_ = true;
}

// The keyboard may pass from one of the program's surfaces to another (a new output's surface
// takes it); only when none has it back a moment later is it lost.
void Connection::KeyboardLeft(wl_surface* surface) {
    if (!surface || surface != keyboardFocus_) return;
    keyboardFocus_ = nullptr;
    if (!notifier_) return;
    QTimer::singleShot(300, notifier_, [this] {
        if (!keyboardFocus_ && keyboardHeld_ && keyboardLost) {
            keyboardHeld_ = false;
            keyboardLost();
        }
    });
}

Connection* Current() { return current; }
void SetCurrent(Connection* connection) { current = connection; }

} // namespace platform::wayland
