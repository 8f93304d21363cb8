#pragma once
// Two shared-memory buffers for one surface. The compositor holds a buffer from its commit
// until it releases it; the other one is drawn meanwhile. Each buffer knows which part of the
// picture it has not seen yet.
#include <QRegion>
#include <array>
#include <cstdint>
#include <functional>

#include "platform/wayland/protocols.h"

namespace platform::wayland {

class ShmBuffers {
  public:
    struct Slot {
        wl_buffer* buffer = nullptr;
        std::uint8_t* pixels = nullptr;
        std::size_t bytes = 0;
        int width = 0, height = 0, stride = 0;
        bool busy = false;
        // What differs from the picture: to be copied before this buffer is shown again.
        QRegion stale;
    };

    explicit ShmBuffers(wl_shm* shm) : shm_(shm) {}
    ~ShmBuffers();
    ShmBuffers(const ShmBuffers&) = delete;
    ShmBuffers& operator=(const ShmBuffers&) = delete;

    // A buffer of `width` x `height` the compositor does not hold, made anew when the size
    // changed (then all of it is stale); null when both are held or memory cannot be had.
    Slot* Free(int width, int height);
    // Lets both buffers go (their surface went; the compositor may never give them back).
    void Reset();
    // `area` changed in the picture: every buffer but `shown` has it stale.
    void Changed(const QRegion& area, const Slot* shown);
    // Heard when the compositor gives a buffer back.
    std::function<void()> released;

  private:
    bool Make(Slot& slot, int width, int height);
    static void Drop(Slot& slot);

    wl_shm* shm_;
    std::array<Slot, 2> slots_;
};

} // namespace platform::wayland
