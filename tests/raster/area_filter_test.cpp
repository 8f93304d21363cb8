#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/area_filter.h"

namespace {

using Pixels = std::vector<std::uint32_t>; // 0xXXRRGGBB, row by row

Pixels Filtered(const Pixels& from, int fw, int fh, int tw, int th) {
    Pixels out(std::size_t(tw) * std::size_t(th), 0);
    raster::AreaFilter filter;
    filter.Start(fw, fh, tw, th, [&](int y, const std::uint32_t* row) {
        std::copy(row, row + tw, out.begin() + std::ptrdiff_t(y) * tw);
    });
    for (int y = 0; y < fh; ++y)
        filter.AddRow(reinterpret_cast<const unsigned char*>(&from[std::size_t(y) * fw]));
    return out;
}

// The filter's arithmetic written plainly, one source pixel at a time: each source pixel's
// share of at most two output pixels in each direction, in 1/4096 of an output pixel, the sums
// across rounded to 1/16 of a level before the shares down are applied.
Pixels Reference(const Pixels& from, int fw, int fh, int tw, int th) {
    struct Share {
        int first;
        std::uint32_t toFirst, toNext;
    };
    auto shares = [](int f, int t) {
        std::vector<Share> s;
        for (std::int64_t i = 0; i < f; ++i) {
            const std::int64_t a = (i * t * 4096 + f / 2) / f, b = ((i + 1) * t * 4096 + f / 2) / f;
            const std::int64_t edge = (a / 4096 + 1) * 4096;
            s.push_back({int(a / 4096), std::uint32_t(std::min(b, edge) - a),
                         std::uint32_t(b > edge ? b - edge : 0)});
        }
        return s;
    };
    const auto across = shares(fw, tw), down = shares(fh, th);
    std::vector<std::uint64_t> sums(std::size_t(tw + 1) * std::size_t(th + 1) * 3, 0);
    for (int y = 0; y < fh; ++y) {
        std::vector<std::uint32_t> row(std::size_t(tw + 1) * 3, 0);
        for (int x = 0; x < fw; ++x)
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t v = (from[std::size_t(y) * fw + x] >> (8 * c)) & 0xFF;
                row[std::size_t(across[x].first) * 3 + c] += across[x].toFirst * v;
                row[std::size_t(across[x].first + 1) * 3 + c] += across[x].toNext * v;
            }
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::uint64_t v = (row[i] + 128) >> 8;
            sums[std::size_t(down[y].first) * row.size() + i] += v * down[y].toFirst;
            sums[std::size_t(down[y].first + 1) * row.size() + i] += v * down[y].toNext;
        }
    }
    Pixels out;
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            std::uint32_t p = 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                const std::uint64_t s = sums[std::size_t(y) * (tw + 1) * 3 + std::size_t(x) * 3 + c];
                p |= std::uint32_t(std::min<std::uint64_t>((s + (1u << 15)) >> 16, 255)) << (8 * c);
            }
            out.push_back(p);
        }
    return out;
}

Pixels Noise(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Pixels p(std::size_t(w) * std::size_t(h));
    for (std::uint32_t& v : p) v = random();
    return p;
}

TEST(AreaFilter, KeepsAPureColourPureInEveryChannel) {
    const std::uint32_t colours[] = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                     0x00123456, 0xFF01FE7F};
    const int sizes[][4] = {{7, 5, 3, 2}, {6000, 3, 1920, 1}, {1001, 999, 1000, 998}, {9, 9, 1, 1}};
    for (std::uint32_t colour : colours)
        for (const auto& s : sizes) {
            const Pixels out =
                Filtered(Pixels(std::size_t(s[0]) * s[1], colour), s[0], s[1], s[2], s[3]);
            EXPECT_TRUE(std::all_of(out.begin(), out.end(),
                                    [&](std::uint32_t p) { return p == (colour | 0xFF000000u); }))
                << std::hex << colour << std::dec << " " << s[0] << "x" << s[1];
        }
}

TEST(AreaFilter, HalvingGivesTheMeanOfEachTwoByTwoBlock) {
    const int w = 10, h = 6;
    const Pixels from = Noise(w, h, 1);
    const Pixels out = Filtered(from, w, h, w / 2, h / 2);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += (from[std::size_t(2 * y + dy) * w + 2 * x + dx] >> (8 * c)) & 0xFF;
                EXPECT_EQ(int(out[std::size_t(y) * (w / 2) + x] >> (8 * c) & 0xFF), (sum + 2) / 4)
                    << x << "," << y << " channel " << c;
            }
}

TEST(AreaFilter, MatchesThePlainArithmeticAtAnyWidthAndRatio) {
    // Odd widths leave a last pixel alone in its pair; ratios from barely shrinking to far
    // (each output pixel taking 2, 4, 6, 8 or many source pixels), the last spans at the row's end.
    const int sizes[][4] = {{13, 11, 7, 5},  {33, 3, 32, 3},  {101, 7, 3, 2},  {3000, 4, 1621, 3},
                            {1, 1, 1, 1},    {257, 9, 255, 9}, {4000, 2, 17, 1}, {71, 5, 20, 2},
                            {53, 3, 10, 2},  {5, 2, 2, 1}};
    unsigned seed = 2;
    for (const auto& s : sizes) {
        const Pixels from = Noise(s[0], s[1], seed++);
        EXPECT_EQ(Filtered(from, s[0], s[1], s[2], s[3]), Reference(from, s[0], s[1], s[2], s[3]))
            << s[0] << "x" << s[1] << " to " << s[2] << "x" << s[3];
    }
}

} // namespace
