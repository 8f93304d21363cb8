#include <gtest/gtest.h>

#include <QImage>

#include "platform/qt/qt_surface.h"
#include "platform/shared/platform_under_test.h"

using platform::Color;
using platform::LogFont;
using platform::Rect;
using platform::Rgb;

namespace {

constexpr Color Black = Rgb(0, 0, 0);
constexpr Color White = Rgb(255, 255, 255);
constexpr Color Blue = Rgb(0, 0, 255);

LogFont CalendarFont(int height, bool italic) {
    LogFont font;
    font.Height = height;
    font.Width = (height + 2) / 4;
    font.Weight = 1200;
    font.Italic = italic ? 1 : 0;
    font.FaceName = "ＭＳ ゴシック";
    return font;
}

// The columns and rows that carry anything but `background`, as a rectangle.
Rect InkBox(platform::Surface& surface, Color background) {
    Rect box{surface.Width(), surface.Height(), -1, -1};
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            if (surface.PixelAt(x, y) != background) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

struct Canvas {
    std::unique_ptr<platform::Surface> surface;
    platform::DeviceContext& dc;
    explicit Canvas(int width = 200, int height = 60, Color fill = Black)
        : surface(under_test::Drawing().CreateSurface(width, height)), dc(surface->Dc()) {
        dc.Fill({0, 0, width, height}, fill);
        dc.SetBkMode(platform::BkMode::Transparent);
        dc.SetTextColor(White);
    }
    Rect Ink(Color background = Black) { return InkBox(*surface, background); }
};

TEST(QtDrawing, NarrowFontGivesTheAskedDigitWidth) {
    struct Case {
        int height;
        bool italic;
        double digit;
    } cases[] = {{20, false, 5}, {28, true, 7}, {28, false, 7}, {40, false, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "height " << c.height);
        Canvas one(300, 60), many(300, 60);
        for (Canvas* canvas : {&one, &many}) {
            const auto font = canvas->dc.CreateFontIndirect(CalendarFont(c.height, c.italic));
            ASSERT_NE(font, 0u);
            canvas->dc.SelectFont(font);
        }
        one.dc.DrawText("0", {0, 0, 300, 60}, 0);
        many.dc.DrawText("00000000000", {0, 0, 300, 60}, 0);
        const double advance = (many.Ink().Width() - one.Ink().Width()) / 10.0;
        EXPECT_NEAR(advance, c.digit, 0.5);
        // The glyph stands inside its cell and uses a fair part of it.
        EXPECT_GE(one.Ink().Top, 0);
        EXPECT_LE(one.Ink().Bottom, c.height);
        EXPECT_GE(one.Ink().Height(), c.height / 2);
    }
}

TEST(QtDrawing, TextIsCentredTopAlignedAndClipped) {
    Canvas canvas;
    canvas.dc.SelectFont(canvas.dc.CreateFontIndirect(CalendarFont(20, false)));
    canvas.dc.DrawText("31", {40, 10, 80, 30}, platform::DT_Center);
    const Rect ink = canvas.Ink();
    ASSERT_GT(ink.Width(), 0);
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 60.0, 1.5);
    EXPECT_LT(ink.Top, 10 + 8);

    // A text wider than its box is cut at the box's edges, both of them.
    Canvas clipped;
    clipped.dc.SelectFont(clipped.dc.CreateFontIndirect(CalendarFont(20, false)));
    clipped.dc.DrawText("2008.06.13(金) 14:05", {90, 20, 110, 30}, platform::DT_Center);
    const Rect cut = clipped.Ink();
    ASSERT_GT(cut.Width(), 0);
    EXPECT_GE(cut.Left, 90);
    EXPECT_LE(cut.Right, 110);
    EXPECT_GE(cut.Top, 20);
    EXPECT_LE(cut.Bottom, 30);
}

TEST(QtDrawing, BackgroundModeDecidesWhetherTheBoxBehindTheTextIsPainted) {
    for (auto mode : {platform::BkMode::Transparent, platform::BkMode::Opaque}) {
        Canvas canvas(100, 40, Blue);
        canvas.dc.SetBkMode(mode);
        canvas.dc.SetTextColor(Black);
        canvas.dc.DrawText("8", {0, 0, 100, 40}, platform::DT_Center);
        int blue = 0, white = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x) {
                blue += canvas.surface->PixelAt(x, y) == Blue;
                white += canvas.surface->PixelAt(x, y) == White;
            }
        if (mode == platform::BkMode::Transparent) {
            EXPECT_EQ(white, 0);
            EXPECT_GT(blue, 3500);
        } else {
            EXPECT_GT(white, 20);
        }
    }
}

TEST(QtDrawing, FontsAreSelectedAndDeletedAsHandles) {
    Canvas canvas;
    auto& dc = canvas.dc;
    const auto day = dc.CreateFontIndirect(CalendarFont(20, false));
    const auto clock = dc.CreateFontIndirect(CalendarFont(28, true));
    ASSERT_NE(day, clock);
    const auto stock = dc.SelectFont(day);
    EXPECT_NE(stock, 0u);
    EXPECT_EQ(dc.SelectFont(clock), day);
    EXPECT_FALSE(dc.DeleteFont(clock)) << "a selected font stays";
    EXPECT_EQ(dc.SelectFont(stock), clock);
    EXPECT_EQ(dc.SelectFont(0xDEAD), 0u) << "an unknown handle changes nothing";
    EXPECT_EQ(dc.SelectFont(stock), stock);
    EXPECT_TRUE(dc.DeleteFont(day));
    EXPECT_TRUE(dc.DeleteFont(clock));
    EXPECT_FALSE(dc.DeleteFont(day));
    EXPECT_FALSE(dc.DeleteFont(stock));

    // A font made through one context serves another, as system fonts do.
    Canvas other;
    const auto shared = dc.CreateFontIndirect(CalendarFont(20, false));
    EXPECT_NE(other.dc.SelectFont(shared), 0u);
    other.dc.DrawText("5", {0, 0, 200, 60}, platform::DT_Center);
    EXPECT_GT(other.Ink().Width(), 0);
    other.dc.SelectFont(other.dc.SelectFont(shared));
}

TEST(QtDrawing, CopyFromMovesExactPixelsAndStaysInside) {
    auto source = under_test::Drawing().CreateSurface(64, 48);
    QImage& pixels = platform::qt::ImageOf(*source);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            pixels.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 0xFF));
    auto target = under_test::Drawing().CreateSurface(64, 48);
    target->Dc().Fill({0, 0, 64, 48}, Rgb(1, 2, 3));

    target->Dc().CopyFrom(10, 20, 8, 6, source->Dc(), 30, 5);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 10 && x < 18 && y >= 20 && y < 26;
            const Color want = inside ? source->PixelAt(x - 10 + 30, y - 20 + 5) : Rgb(1, 2, 3);
            ASSERT_EQ(target->PixelAt(x, y), want) << x << "," << y;
        }

    // Rectangles hanging over either image's edge copy only what both hold.
    target->Dc().CopyFrom(-2, 44, 10, 10, source->Dc(), 58, -3);
    EXPECT_EQ(target->PixelAt(0, 47), source->PixelAt(60, 0));
    EXPECT_EQ(target->PixelAt(3, 47), source->PixelAt(63, 0));
    EXPECT_EQ(target->PixelAt(4, 47), Rgb(1, 2, 3));
    EXPECT_EQ(target->PixelAt(0, 46), Rgb(1, 2, 3));
    EXPECT_EQ(target->PixelAt(-1, 0), 0xFFFFFFFFu);
}

TEST(QtDrawing, SurfaceResizeKeepsWhatStillFits) {
    auto surface = under_test::Drawing().CreateSurface(10, 10);
    surface->Dc().Fill({0, 0, 10, 10}, Blue);
    surface->Resize(20, 5);
    EXPECT_EQ(surface->Width(), 20);
    EXPECT_EQ(surface->Height(), 5);
    EXPECT_EQ(surface->PixelAt(9, 4), Blue);
    EXPECT_EQ(surface->PixelAt(10, 0), Black);
}

} // namespace
