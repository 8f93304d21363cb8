#pragma once
// The seats: pointer, keyboard and touch, taken up as the compositor announces them (also in
// the middle of a show) and let go when they go.
#include <memory>
#include <vector>

#include "platform/wayland/connection.h"

namespace platform::wayland {

struct Connection::Seat {
    Connection* connection = nullptr;
    std::uint32_t global = 0;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_touch* touch = nullptr;
    wl_surface* pointerFocus = nullptr;
    std::uint32_t enterSerial = 0;
    ~Seat();
};

std::unique_ptr<Connection::Seat> MakeSeat(Connection& connection, std::uint32_t global,
                                           wl_seat* proxy);
std::uint32_t SeatGlobal(const Connection::Seat& seat);
// A surface that goes is no longer any seat's focus.
// The pointer, where it is over one of the program's surfaces, hidden now.
void HidePointers(std::vector<std::unique_ptr<Connection::Seat>>& seats);
void ForgetSurface(std::vector<std::unique_ptr<Connection::Seat>>& seats, wl_surface* surface);

} // namespace platform::wayland
