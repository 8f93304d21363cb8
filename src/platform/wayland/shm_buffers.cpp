#include "platform/wayland/shm_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

namespace platform::wayland {
namespace {

void BufferRelease(void* data, wl_buffer* buffer);
const wl_buffer_listener bufferListener = {BufferRelease};

struct Owner {
    ShmBuffers::Slot* slot;
    ShmBuffers* buffers;
};

} // namespace

ShmBuffers::~ShmBuffers() {
    for (Slot& slot : slots_) Drop(slot);
}

void ShmBuffers::Reset() {
    for (Slot& slot : slots_) Drop(slot);
}

void ShmBuffers::Drop(Slot& slot) {
    if (slot.buffer) {
        delete static_cast<Owner*>(wl_buffer_get_user_data(slot.buffer));
        wl_buffer_destroy(slot.buffer);
    }
    if (slot.pixels) ::munmap(slot.pixels, slot.bytes);
    slot = Slot{};
}

bool ShmBuffers::Make(Slot& slot, int width, int height) {
    Drop(slot);
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return false;
    const int stride = width * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    const int fd = ::memfd_create("lumorascr-frame", MFD_CLOEXEC);
    if (fd < 0) return false;
    void* pixels = MAP_FAILED;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) == 0)
        pixels = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<int32_t>(bytes));
    slot.buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    slot.pixels = static_cast<std::uint8_t*>(pixels);
    slot.bytes = bytes;
    slot.width = width;
    slot.height = height;
    slot.stride = stride;
    slot.stale = QRegion(0, 0, width, height);
    wl_buffer_add_listener(slot.buffer, &bufferListener, new Owner{&slot, this});
    return true;
}

ShmBuffers::Slot* ShmBuffers::Free(int width, int height) {
    for (Slot& slot : slots_) {
        if (slot.busy) continue;
        if (slot.buffer && slot.width == width && slot.height == height) return &slot;
    }
    for (Slot& slot : slots_) {
        if (slot.busy) continue;
        return Make(slot, width, height) ? &slot : nullptr;
    }
    return nullptr;
}

void ShmBuffers::Changed(const QRegion& area, const Slot* shown) {
    for (Slot& slot : slots_)
        if (&slot != shown && slot.buffer) slot.stale += area;
}

namespace {

void BufferRelease(void* data, wl_buffer*) {
    auto* owner = static_cast<Owner*>(data);
    owner->slot->busy = false;
    if (owner->buffers->released) owner->buffers->released();
}

} // namespace

} // namespace platform::wayland
