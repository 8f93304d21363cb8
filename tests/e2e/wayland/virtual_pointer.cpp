// A pointer the end-to-end runs move on a Wayland compositor that offers virtual pointers.
//   virtual_pointer move DX DY [DX DY ...]   relative moves, a moment apart
//   virtual_pointer click X Y WIDTH HEIGHT    to X,Y of a layout WIDTH x HEIGHT, left button
// Exit status 77 when the compositor has no virtual pointers, 1 on other failures.
#include <linux/input-event-codes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

#include "platform/wayland/protocols.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {Global, GlobalRemove};

uint32_t Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s move DX DY ... | click X Y WIDTH HEIGHT\n", argv[0]);
        return 1;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual_pointer: no Wayland compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) {
        std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointers\n");
        return 77;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    // The new device reaches the clients before it moves.
    wl_display_roundtrip(display);
    usleep(300000);
    const std::string what = argv[1];
    if (what == "move") {
        for (int i = 2; i + 1 < argc; i += 2) {
            zwlr_virtual_pointer_v1_motion(pointer, Now(), wl_fixed_from_double(std::atof(argv[i])),
                                           wl_fixed_from_double(std::atof(argv[i + 1])));
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_roundtrip(display);
            usleep(200000);
        }
    } else if (what == "click" && argc == 6) {
        zwlr_virtual_pointer_v1_motion_absolute(
            pointer, Now(), static_cast<uint32_t>(std::atoi(argv[2])),
            static_cast<uint32_t>(std::atoi(argv[3])), static_cast<uint32_t>(std::atoi(argv[4])),
            static_cast<uint32_t>(std::atoi(argv[5])));
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        usleep(200000);
        for (uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT, state);
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_roundtrip(display);
            usleep(100000);
        }
    } else {
        std::fprintf(stderr, "virtual_pointer: unknown request %s\n", what.c_str());
        return 1;
    }
    // The clients hear the last event before the device goes.
    usleep(300000);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
