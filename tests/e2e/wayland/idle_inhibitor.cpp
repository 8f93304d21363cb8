// A small Wayland window that keeps the session from going idle, as a video player does: an
// xdg-shell toplevel with a grey buffer, holding a zwp_idle_inhibitor_v1 on its surface.
// Prints "inhibiting" once the compositor has the inhibitor, then stays until it is killed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/wayland/protocols.h"

namespace {

struct State {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* shell = nullptr;
    zwp_idle_inhibit_manager_v1* inhibitManager = nullptr;
    bool configured = false;
};

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface, int version) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, version));
}

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto& s = *static_cast<State*>(data);
    if (!std::strcmp(interface, wl_compositor_interface.name))
        s.compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, 4);
    else if (!std::strcmp(interface, wl_shm_interface.name))
        s.shm = Bind<wl_shm>(registry, name, &wl_shm_interface, 1);
    else if (!std::strcmp(interface, xdg_wm_base_interface.name))
        s.shell = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, 1);
    else if (!std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name))
        s.inhibitManager = Bind<zwp_idle_inhibit_manager_v1>(
            registry, name, &zwp_idle_inhibit_manager_v1_interface, 1);
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); }
const xdg_wm_base_listener shellListener = {OnPing};

void OnConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    static_cast<State*>(data)->configured = true;
}
const xdg_surface_listener surfaceListener = {OnConfigure};

wl_buffer* GreyBuffer(wl_shm* shm, int width, int height) {
    const int stride = width * 4, size = stride * height;
    const int fd = memfd_create("idle-inhibitor", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    void* pixels = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE,
                        MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) return nullptr;
    std::memset(pixels, 0x80, static_cast<std::size_t>(size));
    munmap(pixels, static_cast<std::size_t>(size));
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return std::fprintf(stderr, "idle_inhibitor: no Wayland compositor\n"), 1;
    State s;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &s);
    wl_display_roundtrip(display);
    if (!s.compositor || !s.shm || !s.shell || !s.inhibitManager)
        return std::fprintf(stderr, "idle_inhibitor: the compositor lacks a needed global\n"), 1;
    xdg_wm_base_add_listener(s.shell, &shellListener, nullptr);
    wl_surface* surface = wl_compositor_create_surface(s.compositor);
    xdg_surface* shellSurface = xdg_wm_base_get_xdg_surface(s.shell, surface);
    xdg_surface_add_listener(shellSurface, &surfaceListener, &s);
    xdg_toplevel_set_title(xdg_surface_get_toplevel(shellSurface), "idle inhibitor");
    wl_surface_commit(surface);
    while (!s.configured && wl_display_dispatch(display) >= 0) {
    }
    wl_surface_attach(surface, GreyBuffer(s.shm, 200, 150), 0, 0);
    wl_surface_commit(surface);
    zwp_idle_inhibit_manager_v1_create_inhibitor(s.inhibitManager, surface);
    wl_surface_commit(surface);
    wl_display_roundtrip(display);
    std::printf("inhibiting\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
