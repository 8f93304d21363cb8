#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "data/picture_fixtures.inc"
#include "platform_under_test.h"
#include "saver/compose.h"
#include "saver/prepare.h"

using platform::Color;
using platform::Rect;
using platform::Rgb;

namespace {

constexpr Color Marker = Rgb(255, 0, 255);

std::string Bytes(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}
template <std::size_t N> std::string Bytes(const unsigned char (&data)[N]) {
    return Bytes(data, N);
}

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The 54-byte header of a 24-bit BMP; `height` negative for rows stored top down.
std::string BmpHeader(std::int32_t width, std::int32_t height) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t data = stride * static_cast<std::uint32_t>(height < 0 ? -height : height);
    std::string out = "BM";
    PutLe(out, 54 + data, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(width), 4);
    PutLe(out, static_cast<std::uint32_t>(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, data, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    return out;
}

std::string Bmp(int width, int height, const std::function<Color(int, int)>& pixel,
                bool topDown = false) {
    std::string out = BmpHeader(width, topDown ? -height : height);
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            const Color c = pixel(x, y);
            line += static_cast<char>(platform::BlueOf(c));
            line += static_cast<char>(platform::GreenOf(c));
            line += static_cast<char>(platform::RedOf(c));
        }
        line.resize((line.size() + 3) & ~std::size_t(3), '\0');
        out += line;
    }
    return out;
}

Color Checker(int x, int y) {
    return (x + y) % 2 ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
}

class PicturesTest : public testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = folder_ + name;
        EXPECT_TRUE(under_test::WriteBytes(path, bytes)) << path;
        return path;
    }
    std::unique_ptr<platform::Picture> Load(const std::string& name, const std::string& bytes) {
        return under_test::Pictures().Load(Write(name, bytes));
    }
    // A surface filled with the marker colour, so that any pixel a draw touches shows.
    std::unique_ptr<platform::Surface> MarkedSurface(int width, int height) {
        auto surface = under_test::Drawing().CreateSurface(width, height);
        surface->Dc().Fill(Rect{0, 0, width, height}, Marker);
        return surface;
    }
    // Counts the pixels outside `inside` that are no longer the marker colour.
    static int TouchedOutside(const platform::Surface& surface, const Rect& inside) {
        int touched = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x) {
                const bool in =
                    x >= inside.Left && x < inside.Right && y >= inside.Top && y < inside.Bottom;
                if (!in && surface.PixelAt(x, y) != Marker) ++touched;
            }
        return touched;
    }

    std::string folder_ = under_test::TempDirectory() + under_test::Text().PathSeparator();
};

::testing::AssertionResult Near(Color actual, Color expected, int tolerance) {
    auto off = [](int a, int b) { return std::abs(a - b); };
    if (off(platform::RedOf(actual), platform::RedOf(expected)) <= tolerance &&
        off(platform::GreenOf(actual), platform::GreenOf(expected)) <= tolerance &&
        off(platform::BlueOf(actual), platform::BlueOf(expected)) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "colour (" << platform::RedOf(actual) << ", " << platform::GreenOf(actual) << ", "
           << platform::BlueOf(actual) << ") expected near (" << platform::RedOf(expected) << ", "
           << platform::GreenOf(expected) << ", " << platform::BlueOf(expected) << ")";
}

TEST_F(PicturesTest, SizesComeFromTheHeader) {
    const struct {
        const char* name;
        std::string bytes;
        int width, height;
    } cases[] = {
        {"quad.jpg", Bytes(QuadJpeg), 160, 120},
        {"progressive.jpg", Bytes(QuadProgressiveJpeg), 160, 120},
        {"grey.jpg", Bytes(QuadGreyJpeg), 160, 120},
        {"cmyk.jpg", Bytes(QuadCmykJpeg), 160, 120},
        {"quad.png", Bytes(QuadPng), 160, 120},
        {"quad.gif", Bytes(QuadGif), 160, 120},
        {"bottom-up.bmp", Bmp(7, 5, Checker), 7, 5},
        {"top-down.bmp", Bmp(5, 7, Checker, true), 5, 7},
        // Stored 48 x 32 with the orientation "turn right": upright it is 32 x 48.
        {"portrait.jpg", Bytes(HalvesJpeg), 32, 48},
        // The name's extension does not decide the format.
        {"really-a-png.jpg", Bytes(QuadPng), 160, 120},
    };
    for (const auto& c : cases) {
        auto picture = Load(c.name, c.bytes);
        ASSERT_TRUE(picture) << c.name;
        EXPECT_EQ(picture->Width(), c.width) << c.name;
        EXPECT_EQ(picture->Height(), c.height) << c.name;
    }
}

TEST_F(PicturesTest, DrawAtItsOwnSizeCopiesEveryPixel) {
    auto pixel = [](int x, int y) { return Rgb(x * 40 + 3, y * 60 + 7, (x * 13 + y * 29) % 256); };
    for (bool topDown : {false, true}) {
        auto picture = Load("exact.bmp", Bmp(5, 3, pixel, topDown));
        ASSERT_TRUE(picture);
        auto surface = MarkedSurface(9, 6);
        const Rect dest{2, 1, 7, 4};
        ASSERT_TRUE(picture->DrawScaled(*surface, dest));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(surface->PixelAt(2 + x, 1 + y), pixel(x, y)) << x << "," << y;
        EXPECT_EQ(TouchedOutside(*surface, dest), 0);
    }
}

// The four quadrants red, green, blue and white, checked at their centres inside `dest`.
void ExpectQuadrants(const platform::Surface& surface, const Rect& dest, int tolerance,
                     const std::string& name) {
    const int w = dest.Width(), h = dest.Height();
    const struct {
        int x, y;
        Color color;
    } spots[] = {{w / 4, h / 4, Rgb(255, 0, 0)},
                 {w * 3 / 4, h / 4, Rgb(0, 255, 0)},
                 {w / 4, h * 3 / 4, Rgb(0, 0, 255)},
                 {w * 3 / 4, h * 3 / 4, Rgb(255, 255, 255)}};
    for (const auto& s : spots)
        EXPECT_TRUE(Near(surface.PixelAt(dest.Left + s.x, dest.Top + s.y), s.color, tolerance))
            << name << " at " << s.x << "," << s.y;
}

TEST_F(PicturesTest, EveryKindOfJpegAndTheOtherFormatsDecode) {
    const struct {
        const char* name;
        std::string bytes;
        int tolerance;
    } cases[] = {
        {"quad.jpg", Bytes(QuadJpeg), 8},      {"progressive.jpg", Bytes(QuadProgressiveJpeg), 8},
        {"cmyk.jpg", Bytes(QuadCmykJpeg), 24}, {"quad.png", Bytes(QuadPng), 0},
        {"quad.gif", Bytes(QuadGif), 0},
    };
    for (const auto& c : cases) {
        auto picture = Load(c.name, c.bytes);
        ASSERT_TRUE(picture) << c.name;
        // At its own size, at a quarter (where JPEG decodes at a reduced size), and enlarged
        // (as on a dense screen).
        for (const Rect dest :
             {Rect{20, 10, 180, 130}, Rect{5, 7, 45, 37}, Rect{2, 3, 198, 138}}) {
            auto surface = MarkedSurface(200, 140);
            ASSERT_TRUE(picture->DrawScaled(*surface, dest)) << c.name;
            ExpectQuadrants(*surface, dest, c.tolerance, c.name);
            EXPECT_EQ(TouchedOutside(*surface, dest), 0) << c.name;
            EXPECT_NE(surface->PixelAt(dest.Left, dest.Top), Marker) << c.name;
            EXPECT_NE(surface->PixelAt(dest.Right - 1, dest.Bottom - 1), Marker) << c.name;
        }
    }
}

TEST_F(PicturesTest, GreyJpegDrawsInGreys) {
    auto picture = Load("grey.jpg", Bytes(QuadGreyJpeg));
    ASSERT_TRUE(picture);
    auto surface = MarkedSurface(160, 120);
    ASSERT_TRUE(picture->DrawScaled(*surface, Rect{0, 0, 160, 120}));
    int level[4];
    const int spots[4][2] = {{40, 30}, {120, 30}, {40, 90}, {120, 90}};
    for (int i = 0; i < 4; ++i) {
        const Color c = surface->PixelAt(spots[i][0], spots[i][1]);
        EXPECT_EQ(platform::RedOf(c), platform::GreenOf(c));
        EXPECT_EQ(platform::GreenOf(c), platform::BlueOf(c));
        level[i] = platform::GreenOf(c);
    }
    // Luma orders the colours blue < red < green < white.
    EXPECT_LT(level[2], level[0]);
    EXPECT_LT(level[0], level[1]);
    EXPECT_LT(level[1], level[3]);
    EXPECT_GT(level[3], 245);
}

TEST_F(PicturesTest, ShrinkingAveragesFineDetailToGrey) {
    const struct {
        const char* name;
        std::string bytes;
        Rect dest;
        int tolerance;
    } cases[] = {
        {"checker.bmp", Bmp(64, 64, Checker), Rect{0, 0, 16, 16}, 6},
        {"checker-odd.bmp", Bmp(64, 64, Checker), Rect{0, 0, 20, 17}, 40},
        {"checker.jpg", Bytes(CheckerJpeg), Rect{0, 0, 32, 32}, 12},
        {"checker-odd.jpg", Bytes(CheckerJpeg), Rect{0, 0, 45, 37}, 40},
    };
    for (const auto& c : cases) {
        auto picture = Load(c.name, c.bytes);
        ASSERT_TRUE(picture) << c.name;
        auto surface = MarkedSurface(c.dest.Width(), c.dest.Height());
        ASSERT_TRUE(picture->DrawScaled(*surface, c.dest)) << c.name;
        int bad = 0;
        for (int y = 0; y < c.dest.Height(); ++y)
            for (int x = 0; x < c.dest.Width(); ++x)
                if (!Near(surface->PixelAt(x, y), Rgb(128, 128, 128), c.tolerance)) ++bad;
        EXPECT_EQ(bad, 0) << c.name;
    }
}

TEST_F(PicturesTest, OrientationTagStandsThePictureUpright) {
    auto picture = Load("portrait.jpg", Bytes(HalvesJpeg));
    ASSERT_TRUE(picture);
    // Stored left half red, right half blue; turned right, red is on top.
    for (const Rect dest : {Rect{4, 2, 36, 50}, Rect{1, 1, 17, 25}}) {
        auto surface = MarkedSurface(40, 52);
        ASSERT_TRUE(picture->DrawScaled(*surface, dest));
        const int cx = dest.Left + dest.Width() / 2;
        EXPECT_TRUE(Near(surface->PixelAt(cx, dest.Top + dest.Height() / 5), Rgb(255, 0, 0), 12));
        EXPECT_TRUE(
            Near(surface->PixelAt(cx, dest.Top + dest.Height() * 4 / 5), Rgb(0, 0, 255), 12));
        EXPECT_EQ(TouchedOutside(*surface, dest), 0);
    }
}

long PeakResidentKilobytes() {
#ifdef _WIN32
    return 0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

TEST_F(PicturesTest, BadFilesGiveNothingOrAFailedDrawAndNeverALargeAllocation) {
    const std::string jpeg = Bytes(QuadJpeg);
    std::string corrupt = jpeg;
    for (std::size_t i = jpeg.size() / 3; i < jpeg.size() - 2; i += 7)
        corrupt[i] = '\x5A';
    const std::string truncatedBmp = Bmp(40, 30, Checker).substr(0, 54 + 40 * 3 * 10);

    const std::string missing = folder_ + "no-such-file.jpg";
    const struct {
        std::string path;
    } cases[] = {
        {Write("truncated.jpg", jpeg.substr(0, jpeg.size() / 2))},
        {Write("header-only.jpg", jpeg.substr(0, 700))},
        {Write("corrupt.jpg", corrupt)},
        {Write("text.jpg", "This is a letter, not a picture.\r\n")},
        {Write("empty.jpg", "")},
        {Write("empty.bmp", "")},
        {Write("truncated.bmp", truncatedBmp)},
        {Write("huge-sides.bmp", BmpHeader(40000, 40000))},
        {Write("108-megapixels.bmp", BmpHeader(12000, 9000))},
        // Within the limits but with none of the rows its header promises.
        {Write("100-megapixels.bmp", BmpHeader(10000, 10000) + std::string(4096, '\x7F'))},
        {Write("wide.bmp", BmpHeader(32768, 1))},
        {under_test::TempDirectory()},
        {missing},
    };
    const long peakBefore = PeakResidentKilobytes();
    for (const auto& c : cases) {
        auto picture = under_test::Pictures().Load(c.path);
        if (!picture) continue;
        auto surface = MarkedSurface(64, 48);
        const Rect dest{8, 8, 56, 40};
        picture->DrawScaled(*surface, dest);
        EXPECT_EQ(TouchedOutside(*surface, dest), 0) << c.path;
    }
    EXPECT_LT(PeakResidentKilobytes() - peakBefore, 64 * 1024);
    // The ones that cannot be pictures at all are refused at once.
    for (const char* name :
         {"text.jpg", "empty.jpg", "empty.bmp", "huge-sides.bmp", "108-megapixels.bmp", "wide.bmp"})
        EXPECT_FALSE(under_test::Pictures().Load(folder_ + name)) << name;
    EXPECT_FALSE(under_test::Pictures().Load(missing));
    EXPECT_FALSE(under_test::Pictures().Load(under_test::TempDirectory()));
}

// A BMP header with any depth and compression, its palette (for 8 bits) and `data`.
std::string BmpWith(std::int32_t width, std::int32_t height, int bits, int compression,
                    const std::string& data) {
    const std::string palette = bits == 8 ? std::string(256 * 4, '\0') : std::string();
    std::string out = "BM";
    PutLe(out, static_cast<std::uint32_t>(54 + palette.size() + data.size()), 4);
    PutLe(out, 0, 4);
    PutLe(out, static_cast<std::uint32_t>(54 + palette.size()), 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(width), 4);
    PutLe(out, static_cast<std::uint32_t>(height), 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<std::uint32_t>(bits), 2);
    PutLe(out, static_cast<std::uint32_t>(compression), 4);
    PutLe(out, static_cast<std::uint32_t>(data.size()), 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    return out + palette + data;
}

// An RLE8 BMP whose data ends at once: a few bytes however large the picture.
std::string Rle8(std::int32_t width, std::int32_t height) {
    return BmpWith(width, height, 8, 1, std::string("\0\1", 2));
}

std::string Be(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string PngChunk(const std::string& type, const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char ch : type + data) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return Be(static_cast<std::uint32_t>(data.size()), 4) + type + data + Be(~crc, 4);
}

std::string PngHeader(std::uint32_t width, std::uint32_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           PngChunk("IHDR", Be(width, 4) + Be(height, 4) + std::string("\x08\x06\0\0\0", 5)) +
           PngChunk("IDAT", std::string("\x78\x9c", 2)) + PngChunk("IEND", "");
}

// A grey 8-bit PNG of `width` x `height`, its rows in stored (uncompressed) deflate blocks.
std::string GreyPng(std::uint32_t width, std::uint32_t height) {
    std::string raw;
    for (std::uint32_t y = 0; y < height; ++y)
        raw += '\0' + std::string(width, static_cast<char>(y));
    std::string deflate = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const std::string block = raw.substr(at, 65535);
        deflate += at + block.size() == raw.size() ? '\1' : '\0';
        PutLe(deflate, static_cast<std::uint32_t>(block.size()), 2);
        PutLe(deflate, static_cast<std::uint32_t>(~block.size() & 0xFFFF), 2);
        deflate += block;
        for (const char ch : block) {
            a = (a + static_cast<unsigned char>(ch)) % 65521;
            b = (b + a) % 65521;
        }
    }
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           PngChunk("IHDR", Be(width, 4) + Be(height, 4) + std::string("\x08\0\0\0\0", 5)) +
           PngChunk("IDAT", deflate + Be(b << 16 | a, 4)) + PngChunk("IEND", "");
}

std::string GifHeader(std::uint32_t width, std::uint32_t height) {
    std::string out = "GIF89a";
    PutLe(out, width, 2);
    PutLe(out, height, 2);
    out += std::string("\0\0\0", 3);
    out += ',';
    PutLe(out, 0, 4);
    PutLe(out, width, 2);
    PutLe(out, height, 2);
    out += std::string("\0\2\0;", 4);
    return out;
}

// A progressive 4:2:0 JPEG of `width` x `height` with one scan of a few bytes.
std::string ProgressiveJpeg(std::uint32_t width, std::uint32_t height) {
    auto segment = [](int marker, const std::string& body) {
        return std::string{'\xFF', static_cast<char>(marker)} +
               Be(static_cast<std::uint32_t>(body.size() + 2), 2) + body;
    };
    return std::string("\xFF\xD8", 2) + segment(0xDB, '\0' + std::string(64, '\1')) +
           segment(0xC2, '\x08' + Be(height, 2) + Be(width, 2) +
                             std::string("\x03\x01\x22\0\x02\x11\0\x03\x11\0", 10)) +
           segment(0xC4, std::string("\0\1", 2) + std::string(15, '\0') + '\0') +
           segment(0xDA, std::string("\x03\x01\0\x02\0\x03\0\0\0\0", 10)) +
           std::string(16, '\0') + "\xFF\xD9";
}

TEST_F(PicturesTest, APictureNeedingMoreThanTheDecodeBudgetIsRefusedBeforeItsMemoryIsTaken) {
    const struct {
        const char* name;
        std::string bytes;
    } hostile[] = {
        {"largest-sides.bmp", BmpWith(2147483647, 2147483647, 32, 0, "")},
        {"rle8.bmp", Rle8(32767, 3051)},
        {"huge.png", PngHeader(32767, 3051)},
        {"huge.gif", GifHeader(32767, 3051)},
        // Its coefficients alone take 300 MB, whatever size it is drawn at.
        {"progressive.jpg", ProgressiveJpeg(32767, 3051)},
        {"budget-and-a-row.bmp", Rle8(8192, 8193)},
    };
    const long peakBefore = PeakResidentKilobytes();
    for (const auto& c : hostile) {
        auto picture = Load(c.name, c.bytes);
        auto surface = MarkedSurface(64, 48);
        EXPECT_FALSE(picture && picture->DrawScaled(*surface, Rect{0, 0, 64, 48})) << c.name;
    }
    EXPECT_LT(PeakResidentKilobytes() - peakBefore, 64 * 1024);
    // 8192 x 8192 at 4 bytes a pixel is the budget itself.
    EXPECT_TRUE(Load("budget.bmp", Rle8(8192, 8192)));
    // Far within it, a PNG much larger than where it is drawn (decoded whole before scaling).
    auto png = Load("large.png", GreyPng(3000, 2000));
    auto surface = MarkedSurface(60, 40);
    ASSERT_TRUE(png);
    EXPECT_TRUE(png->DrawScaled(*surface, Rect{0, 0, 60, 40}));
}

// A palette picture at the budget's edge, drawn far smaller: its colours hold (it is averaged
// down without a 32-bit copy of the whole picture on Linux).
TEST_F(PicturesTest, APalettePictureAtTheBudgetShrinksWithItsColours) {
    std::string rows;
    for (int y = 0; y < 8192; ++y) {
        for (int run = 0; run < 64; ++run)
            rows += std::string{'\x80', static_cast<char>(run < 32 ? 1 : 2)};
        rows += std::string(y == 8191 ? "\0\1" : "\0\0", 2);
    }
    std::string bmp = BmpWith(8192, 8192, 8, 1, rows);
    bmp.replace(54 + 4, 8, std::string("\0\0\xFF\0\xFF\0\0\0", 8)); // 1 red, 2 blue
    auto picture = Load("halves.bmp", bmp);
    ASSERT_TRUE(picture);
    auto surface = MarkedSurface(64, 48);
    ASSERT_TRUE(picture->DrawScaled(*surface, Rect{0, 0, 64, 48}));
    EXPECT_EQ(surface->PixelAt(5, 24), Rgb(255, 0, 0));
    EXPECT_EQ(surface->PixelAt(58, 24), Rgb(0, 0, 255));
}

TEST_F(PicturesTest, APicturePreparedOnTheWorkerEqualsTheOneMadeInPlace) {
    platform::Services services;
    services.pictures = &under_test::Pictures();
    services.drawing = &under_test::Drawing();
    services.process = &under_test::Process();
    platform::ScopedServices scope(services);
    const platform::Size screen{120, 70};
    for (const auto& [name, bytes] :
         {std::pair<const char*, std::string>{"quad.jpg", Bytes(QuadJpeg)},
          {"progressive.jpg", Bytes(QuadProgressiveJpeg)},
          {"portrait.jpg", Bytes(HalvesJpeg)},
          {"checker.bmp", Bmp(64, 64, Checker)}}) {
        const std::string path = Write(name, bytes);
        auto inPlace = under_test::Drawing().CreateSurface(screen.Width, screen.Height);
        std::unique_ptr<platform::Picture> loader;
        basComon::PreparePicture(*inPlace, path, screen, loader, nullptr);

        basComon::PicturePreparer preparer;
        auto canvas = under_test::Drawing().CreateSurface(screen.Width, screen.Height);
        ASSERT_TRUE(preparer.Prepare(canvas, path, screen)) << name;
        ASSERT_TRUE(preparer.WaitReady(60000)) << name;
        const auto prepared = preparer.Take();
        ASSERT_TRUE(prepared) << name;
        int differing = 0, drawn = 0;
        for (int y = 0; y < screen.Height; ++y)
            for (int x = 0; x < screen.Width; ++x) {
                if (prepared->PixelAt(x, y) != inPlace->PixelAt(x, y)) ++differing;
                if (inPlace->PixelAt(x, y) != Rgb(0, 0, 0)) ++drawn;
            }
        EXPECT_EQ(differing, 0) << name;
        EXPECT_GT(drawn, 0) << name;
    }
}

} // namespace
