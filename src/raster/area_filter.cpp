#include "area_filter.h"

#include <algorithm>
#include <cstring>

namespace raster {
namespace {

// Output position (in 1/4096 of an output pixel) of the source edge `i`, rounded; the last
// edge lands exactly on the last output edge.
std::int64_t Edge(std::int64_t i, int from, int to) {
    return (i * to * 4096 + from / 2) / from;
}

} // namespace

void AreaFilter::Taps(int from, int to, std::vector<Tap>& taps) {
    taps.resize(static_cast<std::size_t>(from));
    for (int i = 0; i < from; ++i) {
        const std::int64_t a = Edge(i, from, to), b = Edge(i + 1, from, to);
        Tap& t = taps[static_cast<std::size_t>(i)];
        t.first = static_cast<int>(a / 4096);
        const std::int64_t boundary = (t.first + 1) * std::int64_t{4096};
        t.toFirst = static_cast<std::uint32_t>(std::min(b, boundary) - a);
        t.toNext = static_cast<std::uint32_t>(b > boundary ? b - boundary : 0);
    }
}

void AreaFilter::Start(int fromW, int fromH, int toW, int toH, RowSink sink) {
    fromW_ = fromW;
    fromH_ = fromH;
    toW_ = toW;
    toH_ = toH;
    sourceRow_ = 0;
    outputRow_ = 0;
    sink_ = std::move(sink);
    Taps(fromW, toW, across_);
    Taps(fromH, toH, down_);
    // One spare output pixel, so that the last source pixel's empty share needs no test.
    const std::size_t width = (static_cast<std::size_t>(toW) + 1) * 3;
    reduced_.assign(width, 0);
    current_.assign(width, 0);
    next_.assign(width, 0);
    out_.assign(static_cast<std::size_t>(toW), 0);
}

void AreaFilter::AddRow(const unsigned char* row) {
    if (sourceRow_ >= fromH_) return;
    std::fill(reduced_.begin(), reduced_.end(), 0u);
    std::uint32_t* red = reduced_.data();
    const Tap* tap = across_.data();
    for (int x = 0; x < fromW_; ++x, row += 4, ++tap) {
        std::uint32_t* a = red + tap->first * 3;
        const std::uint32_t w0 = tap->toFirst, w1 = tap->toNext;
        a[0] += w0 * row[0];
        a[1] += w0 * row[1];
        a[2] += w0 * row[2];
        a[3] += w1 * row[0];
        a[4] += w1 * row[1];
        a[5] += w1 * row[2];
    }
    const Tap& down = down_[static_cast<std::size_t>(sourceRow_)];
    while (outputRow_ < down.first)
        Emit(outputRow_++);
    const std::size_t n = static_cast<std::size_t>(toW_) * 3;
    // The sums across (at most 255 x 4096) are rounded to 1/16 of a level before the shares
    // down are applied, which keeps the sums down far inside 32 bits.
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = (red[i] + 128) >> 8;
        current_[i] += v * down.toFirst;
        next_[i] += v * down.toNext;
    }
    if (++sourceRow_ == fromH_)
        while (outputRow_ < toH_)
            Emit(outputRow_++);
}

void AreaFilter::Emit(int y) {
    const std::size_t n = static_cast<std::size_t>(toW_);
    for (std::size_t x = 0; x < n; ++x) {
        const std::uint32_t* c = &current_[x * 3];
        // Sums are in 1/16 of a level times 4096.
        const std::uint32_t b = (c[0] + (1u << 15)) >> 16;
        const std::uint32_t g = (c[1] + (1u << 15)) >> 16;
        const std::uint32_t r = (c[2] + (1u << 15)) >> 16;
        out_[x] =
            0xFF000000u | std::min(r, 255u) << 16 | std::min(g, 255u) << 8 | std::min(b, 255u);
    }
    sink_(y, out_.data());
    current_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0u);
}

} // namespace raster
