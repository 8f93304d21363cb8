#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/enlarger.h"

namespace {

using Pixels = std::vector<std::uint32_t>; // 0xXXRRGGBB, row by row

Pixels Enlarged(const Pixels& from, int fw, int fh, int tw, int th) {
    Pixels out(std::size_t(tw) * std::size_t(th), 0);
    std::vector<int> seen;
    raster::Enlarger enlarger;
    enlarger.Start(fw, fh, tw, th, [&](int y, const std::uint32_t* row) {
        seen.push_back(y);
        std::copy(row, row + tw, out.begin() + std::ptrdiff_t(y) * tw);
    });
    for (int y = 0; y < fh; ++y)
        enlarger.AddRow(reinterpret_cast<const unsigned char*>(&from[std::size_t(y) * fw]));
    // Every output row once, in order.
    std::vector<int> all(static_cast<std::size_t>(th));
    for (int y = 0; y < th; ++y) all[std::size_t(y)] = y;
    EXPECT_EQ(seen, all);
    return out;
}

std::uint32_t Grey(int v) {
    return 0xFF000000u | std::uint32_t(v) * 0x010101u;
}

TEST(Enlarger, InterpolatesBetweenPixelCentresAndKeepsTheEdges) {
    struct Case {
        int fw, fh, tw, th;
        Pixels from, expected;
    };
    const Case cases[] = {
        // Across and down: a quarter and three quarters of the way; the ends are the source's.
        {2, 1, 4, 1, {Grey(0), Grey(255)}, {Grey(0), Grey(64), Grey(191), Grey(255)}},
        {1, 2, 1, 4, {Grey(0), Grey(255)}, {Grey(0), Grey(64), Grey(191), Grey(255)}},
        // Both ways at once: the centre of four pixels is their mean.
        {2, 2, 3, 3, {Grey(0), Grey(100), Grey(200), Grey(40)},
         {Grey(0), Grey(50), Grey(100), Grey(100), Grey(85), Grey(70), Grey(200), Grey(120),
          Grey(40)}},
        // Each channel on its own.
        {2, 1, 3, 1, {0xFF0000FF, 0xFFFF0000}, {0xFF0000FF, 0xFF800080, 0xFFFF0000}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Enlarged(c.from, c.fw, c.fh, c.tw, c.th), c.expected)
            << c.fw << "x" << c.fh << " to " << c.tw << "x" << c.th;
}

TEST(Enlarger, KeepsPureColoursAndCopiesAnEqualSize) {
    const int sizes[][4] = {{3, 2, 7, 5}, {1, 1, 9, 4}, {1920, 2, 3840, 5}, {5, 7, 13, 7}};
    for (const auto& s : sizes) {
        const Pixels out = Enlarged(Pixels(std::size_t(s[0]) * s[1], 0x00FE017F), s[0], s[1],
                                    s[2], s[3]);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(),
                                [](std::uint32_t p) { return p == 0xFFFE017F; }))
            << s[0] << "x" << s[1];
    }
    std::mt19937 random(7);
    Pixels noise(11 * 6);
    for (std::uint32_t& p : noise) p = random() | 0xFF000000u;
    EXPECT_EQ(Enlarged(noise, 11, 6, 11, 6), noise);
}

} // namespace
