// Takes the keyboard the way a screen locker's or another overlay's surface does: a small
// surface on the overlay layer with exclusive keyboard interactivity, held for SECONDS.
//   keyboard_taker SECONDS
// Exit status 77 when the compositor has no layer shell, 1 on other failures.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/wayland/protocols.h"

namespace {

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
zwlr_layer_shell_v1* shell = nullptr;
bool configured = false;

void Global(void*, wl_registry* r, uint32_t name, const char* interface, uint32_t) {
    if (!std::strcmp(interface, wl_compositor_interface.name))
        compositor = static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 4));
    else if (!std::strcmp(interface, wl_shm_interface.name))
        shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
    else if (!std::strcmp(interface, zwlr_layer_shell_v1_interface.name))
        shell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(r, name, &zwlr_layer_shell_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {Global, GlobalRemove};

void Configure(void*, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t, uint32_t) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    configured = true;
}
void Closed(void*, zwlr_layer_surface_v1*) {}
const zwlr_layer_surface_v1_listener layerListener = {Configure, Closed};

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!shell) return 77;
    if (!compositor || !shm) return 1;
    const int w = 64, h = 64, stride = w * 4, bytes = stride * h;
    const int fd = memfd_create("keyboard-taker", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, bytes) != 0) return 1;
    void* pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) return 1;
    std::memset(pixels, 0x80, bytes);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, bytes);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
    wl_surface* surface = wl_compositor_create_surface(compositor);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        shell, surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "keyboard-taker");
    zwlr_layer_surface_v1_add_listener(layer, &layerListener, nullptr);
    zwlr_layer_surface_v1_set_size(layer, w, h);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer, 1);
    wl_surface_commit(surface);
    while (!configured && wl_display_dispatch(display) >= 0) {
    }
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_damage(surface, 0, 0, w, h);
    wl_surface_commit(surface);
    wl_display_roundtrip(display);
    std::printf("keyboard taken\n");
    std::fflush(stdout);
    sleep(static_cast<unsigned>(seconds));
    wl_display_disconnect(display);
    return 0;
}
