#include "enlarger.h"

#include <algorithm>

namespace raster {

void Enlarger::Positions(int from, int to, std::vector<Position>& positions) {
    positions.resize(static_cast<std::size_t>(std::max(to, 0)));
    for (int i = 0; i < to; ++i) {
        // The centre of output pixel i, in 1/256 of a source pixel from the first source
        // pixel's centre: ((i + 1/2) * from / to - 1/2) * 256.
        const std::int64_t at =
            (std::int64_t(2 * i + 1) * from - to) * 128 / std::max<std::int64_t>(to, 1);
        Position& p = positions[static_cast<std::size_t>(i)];
        if (at <= 0) {
            p = {0, 0};
        } else if (at >= std::int64_t(from - 1) * 256) {
            p = {from - 1, 0};
        } else {
            p = {int(at >> 8), std::uint32_t(at & 255)};
        }
    }
}

void Enlarger::Start(int fromW, int fromH, int toW, int toH, RowSink sink) {
    fromW_ = fromW;
    fromH_ = fromH;
    toW_ = std::max(toW, 0);
    toH_ = std::max(toH, 0);
    sourceRow_ = 0;
    outputRow_ = 0;
    sink_ = std::move(sink);
    Positions(fromW, toW_, across_);
    Positions(fromH, toH_, down_);
    above_.assign(std::size_t(toW_) * 3, 0);
    below_.assign(std::size_t(toW_) * 3, 0);
    out_.assign(std::size_t(toW_), 0);
}

void Enlarger::Widen(const unsigned char* row, std::vector<std::uint32_t>& out) const {
    std::uint32_t* o = out.data();
    for (const Position& p : across_) {
        const unsigned char* a = row + std::size_t(p.index) * 4;
        // The second pixel is only read when it has a share.
        const unsigned char* b = p.fraction ? a + 4 : a;
        const std::uint32_t f = p.fraction, g = 256 - f;
        *o++ = a[0] * g + b[0] * f;
        *o++ = a[1] * g + b[1] * f;
        *o++ = a[2] * g + b[2] * f;
    }
}

void Enlarger::AddRow(const unsigned char* row) {
    if (sourceRow_ >= fromH_) return;
    above_.swap(below_);
    Widen(row, below_);
    ++sourceRow_;
    // Output rows whose second source row (or their only one) has now come.
    while (outputRow_ < toH_) {
        const Position& p = down_[std::size_t(outputRow_)];
        const int needs = p.index + (p.fraction ? 1 : 0);
        if (needs > sourceRow_ - 1) break;
        Emit(outputRow_++);
    }
}

void Enlarger::Emit(int y) {
    const Position& p = down_[std::size_t(y)];
    // The row at p.index is `below_` when it is the last one received, else `above_`.
    const bool lastIsIndex = p.index == sourceRow_ - 1;
    const std::uint32_t* a = lastIsIndex ? below_.data() : above_.data();
    const std::uint32_t* b = below_.data();
    const std::uint32_t f = lastIsIndex ? 0 : p.fraction, g = 256 - f;
    for (std::size_t x = 0; x < out_.size(); ++x, a += 3, b += 3) {
        // Sums are in 1/65536 of a level.
        const std::uint32_t blue = (a[0] * g + b[0] * f + (1u << 15)) >> 16;
        const std::uint32_t green = (a[1] * g + b[1] * f + (1u << 15)) >> 16;
        const std::uint32_t red = (a[2] * g + b[2] * f + (1u << 15)) >> 16;
        out_[x] = 0xFF000000u | red << 16 | green << 8 | blue;
    }
    sink_(y, out_.data());
}

} // namespace raster
