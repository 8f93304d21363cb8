// An ordinary application window (an xdg toplevel) that writes, one line each, "focused" and
// "unfocused" as the desktop activates it and takes that away, and "key <evdev code>" for
// each key it hears pressed. Runs until killed. Its keyboard is taken up when the seat gets
// one (a headless compositor has none until a remote-desktop session makes it).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/wayland/protocols.h"

namespace {

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
wl_seat* seat = nullptr;
xdg_wm_base* shell = nullptr;
bool configured = false;
bool activated = false;
wl_keyboard* keyboard = nullptr;

void Say(const char* what, unsigned code = 0) {
    if (code) std::printf("%s %u\n", what, code);
    else std::printf("%s\n", what);
    std::fflush(stdout);
}

void Global(void*, wl_registry* r, uint32_t name, const char* interface, uint32_t) {
    if (!std::strcmp(interface, wl_compositor_interface.name))
        compositor = static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 4));
    else if (!std::strcmp(interface, wl_shm_interface.name))
        shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
    else if (!std::strcmp(interface, wl_seat_interface.name) && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
    else if (!std::strcmp(interface, xdg_wm_base_interface.name))
        shell = static_cast<xdg_wm_base*>(wl_registry_bind(r, name, &xdg_wm_base_interface, 1));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {Global, GlobalRemove};

void Ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener shellListener = {Ping};
void SurfaceConfigure(void*, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    configured = true;
}
const xdg_surface_listener surfaceListener = {SurfaceConfigure};
void TopConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array* states) {
    bool now = false;
    for (auto* state = static_cast<uint32_t*>(states->data);
         reinterpret_cast<char*>(state) < static_cast<char*>(states->data) + states->size; ++state)
        now = now || *state == XDG_TOPLEVEL_STATE_ACTIVATED;
    if (now != activated) Say(now ? "focused" : "unfocused");
    activated = now;
}
void TopClose(void*, xdg_toplevel*) {}
void TopBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void TopCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener toplevelListener = {TopConfigure, TopClose, TopBounds, TopCapabilities};

void Keymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void Enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void Leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void Key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Say("key", key);
}
void Modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void Repeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener keyboardListener = {Keymap, Enter, Leave, Key, Modifiers, Repeat};

void Capabilities(void*, wl_seat* s, uint32_t caps) {
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(s);
        wl_keyboard_add_listener(keyboard, &keyboardListener, nullptr);
    } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard) {
        wl_keyboard_destroy(keyboard);
        keyboard = nullptr;
    }
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener seatListener = {Capabilities, SeatName};

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!compositor || !shm || !seat || !shell) return 1;
    xdg_wm_base_add_listener(shell, &shellListener, nullptr);
    wl_seat_add_listener(seat, &seatListener, nullptr);
    const int w = 320, h = 240, stride = w * 4, bytes = stride * h;
    const int fd = memfd_create("key-logger", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, bytes) != 0) return 1;
    void* pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) return 1;
    std::memset(pixels, 0xc0, bytes);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, bytes);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
    wl_surface* surface = wl_compositor_create_surface(compositor);
    xdg_surface* xdg = xdg_wm_base_get_xdg_surface(shell, surface);
    xdg_surface_add_listener(xdg, &surfaceListener, nullptr);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &toplevelListener, nullptr);
    xdg_toplevel_set_title(toplevel, "key-logger");
    wl_surface_commit(surface);
    while (!configured && wl_display_dispatch(display) >= 0) {
    }
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_damage(surface, 0, 0, w, h);
    wl_surface_commit(surface);
    Say("mapped");
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
