#include "platform/wayland/input.h"

#include <unistd.h>

namespace platform::wayland {
namespace {

using Seat = Connection::Seat;

Seat& Of(void* data) { return *static_cast<Seat*>(data); }

// Pointer.
void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                  wl_fixed_t x, wl_fixed_t y) {
    Seat& seat = Of(data);
    seat.pointerFocus = surface;
    seat.enterSerial = serial;
    InputTarget* target = seat.connection->TargetOf(surface);
    if (!target) return;
    if (seat.connection->hidePointer) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    target->PointerEntered(serial, pointer, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) { Of(data).pointerFocus = nullptr; }
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    Seat& seat = Of(data);
    if (InputTarget* target = seat.connection->TargetOf(seat.pointerFocus))
        target->PointerAt(wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
    Seat& seat = Of(data);
    if (state != WL_POINTER_BUTTON_STATE_PRESSED) return;
    if (InputTarget* target = seat.connection->TargetOf(seat.pointerFocus))
        target->ButtonPressed(static_cast<int>(button));
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void PointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener pointerListener = {
    PointerEnter, PointerLeave, PointerMotion, PointerButton, PointerAxis, PointerFrame,
    PointerAxisSource, PointerAxisStop, PointerAxisDiscrete, PointerAxisValue120};

// Keyboard. The key map is not needed: any key ends the show.
void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { ::close(fd); }
void KeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
    Of(data).connection->KeyboardEntered(surface);
}
void KeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) {
    Of(data).connection->KeyboardLeft(surface);
}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
    if (InputTarget* target = Of(data).connection->KeyboardTarget())
        target->KeyPressed(static_cast<int>(key));
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener keyboardListener = {KeyboardKeymap, KeyboardEnter, KeyboardLeave,
                                               KeyboardKey, KeyboardModifiers, KeyboardRepeat};

// Touch: a finger down is a press.
void TouchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface* surface, int32_t,
               wl_fixed_t, wl_fixed_t) {
    if (InputTarget* target = Of(data).connection->TargetOf(surface)) target->ButtonPressed(1);
}
void TouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t) {}
void TouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {}
void TouchFrame(void*, wl_touch*) {}
void TouchCancel(void*, wl_touch*) {}
void TouchShape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {}
void TouchOrientation(void*, wl_touch*, int32_t, wl_fixed_t) {}
const wl_touch_listener touchListener = {TouchDown,   TouchUp,    TouchMotion,     TouchFrame,
                                         TouchCancel, TouchShape, TouchOrientation};

void ReleasePointer(Seat& s) {
    if (!s.pointer) return;
    if (wl_pointer_get_version(s.pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(s.pointer);
    else
        wl_pointer_destroy(s.pointer);
    s.pointer = nullptr;
    s.pointerFocus = nullptr;
}
void ReleaseKeyboard(Seat& s) {
    if (!s.keyboard) return;
    if (wl_keyboard_get_version(s.keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(s.keyboard);
    else
        wl_keyboard_destroy(s.keyboard);
    s.keyboard = nullptr;
}
void ReleaseTouch(Seat& s) {
    if (!s.touch) return;
    if (wl_touch_get_version(s.touch) >= WL_TOUCH_RELEASE_SINCE_VERSION)
        wl_touch_release(s.touch);
    else
        wl_touch_destroy(s.touch);
    s.touch = nullptr;
}

// Devices that appear are taken up at once; ones that go are let go. Neither ends the show.
void SeatCapabilities(void* data, wl_seat* wlSeat, uint32_t caps) {
    Seat& s = Of(data);
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !s.pointer) {
        s.pointer = wl_seat_get_pointer(wlSeat);
        wl_pointer_add_listener(s.pointer, &pointerListener, &s);
    } else if (!(caps & WL_SEAT_CAPABILITY_POINTER)) {
        ReleasePointer(s);
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !s.keyboard) {
        s.keyboard = wl_seat_get_keyboard(wlSeat);
        wl_keyboard_add_listener(s.keyboard, &keyboardListener, &s);
    } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD)) {
        ReleaseKeyboard(s);
    }
    if ((caps & WL_SEAT_CAPABILITY_TOUCH) && !s.touch) {
        s.touch = wl_seat_get_touch(wlSeat);
        wl_touch_add_listener(s.touch, &touchListener, &s);
    } else if (!(caps & WL_SEAT_CAPABILITY_TOUCH)) {
        ReleaseTouch(s);
    }
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener seatListener = {SeatCapabilities, SeatName};

} // namespace

Connection::Seat::~Seat() {
    ReleasePointer(*this);
    ReleaseKeyboard(*this);
    ReleaseTouch(*this);
    if (seat) {
        if (wl_seat_get_version(seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(seat);
        else
            wl_seat_destroy(seat);
    }
}

std::unique_ptr<Connection::Seat> MakeSeat(Connection& connection, std::uint32_t global,
                                           wl_seat* proxy) {
    auto seat = std::make_unique<Connection::Seat>();
    seat->connection = &connection;
    seat->global = global;
    seat->seat = proxy;
    wl_seat_add_listener(proxy, &seatListener, seat.get());
    return seat;
}

std::uint32_t SeatGlobal(const Connection::Seat& seat) { return seat.global; }

void HidePointers(std::vector<std::unique_ptr<Connection::Seat>>& seats) {
    for (const auto& seat : seats)
        if (seat->pointer && seat->connection->TargetOf(seat->pointerFocus))
            wl_pointer_set_cursor(seat->pointer, seat->enterSerial, nullptr, 0, 0);
}

void ForgetSurface(std::vector<std::unique_ptr<Connection::Seat>>& seats, wl_surface* surface) {
    for (const auto& seat : seats)
        if (seat->pointerFocus == surface) seat->pointerFocus = nullptr;
}

} // namespace platform::wayland
