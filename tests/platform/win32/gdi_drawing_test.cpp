// The device context against real GDI: fonts, text drawing, copies and fills.
#include <gtest/gtest.h>

#include "platform/shared/platform_under_test.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/windows_api.h"

using platform::Color;
using platform::Rect;
using platform::Rgb;

namespace {

platform::LogFont Gothic(int height, int width = 0) {
    platform::LogFont font;
    font.Height = height;
    font.Width = width;
    font.Weight = 1200;
    font.FaceName = "ＭＳ ゴシック";
    return font;
}

// The box around every pixel that differs from `background`; empty when none does.
Rect LitBox(platform::Surface& s, Color background) {
    Rect box{s.Width(), s.Height(), -1, -1};
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.PixelAt(x, y) != background) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box.Right < 0 ? Rect{} : box;
}

} // namespace

TEST(GdiDrawing, NewSurfaceIsBlackAndKeepsItsPixelsWhenResized) {
    auto s = under_test::Drawing().CreateSurface(20, 10);
    EXPECT_EQ(s->Width(), 20);
    EXPECT_EQ(s->Height(), 10);
    EXPECT_EQ(s->PixelAt(19, 9), Rgb(0, 0, 0));
    s->Dc().Fill({0, 0, 20, 10}, Rgb(10, 200, 30));
    EXPECT_EQ(s->PixelAt(5, 5), Rgb(10, 200, 30));
    s->Resize(30, 15);
    EXPECT_EQ(s->PixelAt(19, 9), Rgb(10, 200, 30));
    EXPECT_EQ(s->PixelAt(25, 12), Rgb(0, 0, 0));
    // Outside the image and degenerate sizes give defined results.
    EXPECT_EQ(s->PixelAt(-1, 0), 0u);
    EXPECT_EQ(s->PixelAt(30, 0), 0u);
    s->Resize(-5, 0);
    EXPECT_EQ(s->Width(), 0);
    EXPECT_FALSE(s->SavePng(under_test::TempDirectory() + "\\empty.png"));
}

TEST(GdiDrawing, SelectFontReturnsTheFontItReplaces) {
    auto s = under_test::Drawing().CreateSurface(8, 8);
    platform::DeviceContext& dc = s->Dc();
    const platform::FontHandle a = dc.CreateFontIndirect(Gothic(20, 5));
    const platform::FontHandle b = dc.CreateFontIndirect(Gothic(28, 7));
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    const platform::FontHandle original = dc.SelectFont(a);
    EXPECT_NE(original, 0u);
    EXPECT_EQ(dc.SelectFont(original), a);
    EXPECT_EQ(dc.SelectFont(b), original);
    EXPECT_EQ(dc.SelectFont(original), b);
    EXPECT_EQ(reinterpret_cast<platform::FontHandle>(
                  GetCurrentObject(platform::win32::DcOf(*s), OBJ_FONT)),
              original);
    EXPECT_TRUE(dc.DeleteFont(a));
    EXPECT_TRUE(dc.DeleteFont(b));
    EXPECT_FALSE(dc.DeleteFont(0));
}

TEST(GdiDrawing, FontRecordArrivesFieldByFieldWithTheFaceInTheAnsiCodePage) {
    auto s = under_test::Drawing().CreateSurface(8, 8);
    platform::LogFont font = Gothic(28, 7);
    font.Italic = 1;
    const platform::FontHandle handle = s->Dc().CreateFontIndirect(font);
    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(reinterpret_cast<HFONT>(handle), sizeof(lf), &lf), int(sizeof(lf)));
    EXPECT_EQ(lf.lfHeight, 28);
    EXPECT_EQ(lf.lfWidth, 7);
    EXPECT_EQ(lf.lfWeight, 1200);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfCharSet, 1);
    EXPECT_EQ(std::string(lf.lfFaceName), "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e");
    s->Dc().DeleteFont(handle);

    // A face longer than the record holds is cut before a whole character.
    font.FaceName = "ゴシックゴシックゴシックゴシックゴシック"; // 40 bytes in CP932
    const platform::FontHandle cut = s->Dc().CreateFontIndirect(font);
    ASSERT_EQ(GetObjectA(reinterpret_cast<HFONT>(cut), sizeof(lf), &lf), int(sizeof(lf)));
    EXPECT_EQ(std::string(lf.lfFaceName).size(), 30u);
    s->Dc().DeleteFont(cut);
}

TEST(GdiDrawing, GothicFaceDrawsJapanese) {
    // The calendar's face must reach a font with kanji glyphs, not boxes.
    auto s = under_test::Drawing().CreateSurface(8, 8);
    const platform::FontHandle font = s->Dc().CreateFontIndirect(Gothic(28));
    HDC dc = platform::win32::DcOf(*s);
    const platform::FontHandle previous = s->Dc().SelectFont(font);
    WORD glyphs[3] = {};
    GetGlyphIndicesW(dc, L"\u91D1\u65E5\u571F", 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    s->Dc().SelectFont(previous);
    s->Dc().DeleteFont(font);
    for (WORD g : glyphs)
        EXPECT_NE(g, 0xFFFF) << "face " << std::wstring(face).size();
}

TEST(GdiDrawing, TransparentTextLeavesTheBackgroundOpaqueTextFillsIt) {
    struct Case {
        platform::BkMode mode;
        bool cellFilled;
    };
    for (const Case c :
         {Case{platform::BkMode::Transparent, false}, Case{platform::BkMode::Opaque, true}}) {
        auto s = under_test::Drawing().CreateSurface(60, 40);
        platform::DeviceContext& dc = s->Dc();
        dc.Fill({0, 0, 60, 40}, Rgb(200, 0, 0));
        const platform::FontHandle font = dc.CreateFontIndirect(Gothic(20, 5));
        const platform::FontHandle previous = dc.SelectFont(font);
        dc.SetBkMode(c.mode);
        dc.SetTextColor(Rgb(255, 255, 255));
        dc.DrawText("1", {0, 0, 60, 40}, platform::DT_Center);
        dc.SelectFont(previous);
        dc.DeleteFont(font);
        int white = 0, red = 0;
        for (int y = 2; y < 18; ++y)
            for (int x = 28; x < 32; ++x) {
                white += s->PixelAt(x, y) == Rgb(255, 255, 255);
                red += s->PixelAt(x, y) == Rgb(200, 0, 0);
            }
        EXPECT_GT(white, 0);
        EXPECT_EQ(red == 0, c.cellFilled) << "red pixels left in the text cell: " << red;
        EXPECT_EQ(s->PixelAt(0, 39), Rgb(200, 0, 0));
    }
}

TEST(GdiDrawing, TextIsCentredTopAlignedAndClippedToItsRectangle) {
    struct Case {
        std::string text;
        Rect rect;
    };
    const Case cases[] = {
        {"1", {0, 0, 100, 80}},                      // narrow text in a wide, tall box
        {"2008.06.13(金) 14:05", {20, 10, 200, 38}}, // the clock's text and box
        {"WWWWWWWWWWWWWWWW", {30, 20, 50, 40}},      // far wider than its box
    };
    for (const Case& c : cases) {
        auto s = under_test::Drawing().CreateSurface(240, 100);
        platform::DeviceContext& dc = s->Dc();
        const platform::FontHandle font = dc.CreateFontIndirect(Gothic(20, 5));
        const platform::FontHandle previous = dc.SelectFont(font);
        dc.SetBkMode(platform::BkMode::Transparent);
        dc.SetTextColor(Rgb(0, 255, 0));
        dc.DrawText(c.text, c.rect, platform::DT_Center);
        dc.SelectFont(previous);
        dc.DeleteFont(font);

        const Rect lit = LitBox(*s, Rgb(0, 0, 0));
        ASSERT_GT(lit.Width(), 0) << c.text;
        EXPECT_GE(lit.Left, c.rect.Left) << c.text;
        EXPECT_LE(lit.Right, c.rect.Right) << c.text;
        EXPECT_GE(lit.Top, c.rect.Top) << c.text;
        EXPECT_LE(lit.Bottom, c.rect.Bottom) << c.text;
        EXPECT_LT(lit.Top, c.rect.Top + 8) << c.text; // top-aligned, not centred vertically
        const int centre = (c.rect.Left + c.rect.Right) / 2;
        EXPECT_LE(std::abs((lit.Left + lit.Right) / 2 - centre), 3) << c.text;
    }
}

TEST(GdiDrawing, CopyFromMovesExactPixels) {
    auto source = under_test::Drawing().CreateSurface(40, 30);
    for (int i = 0; i < 8; ++i)
        source->Dc().Fill({i * 5, 0, i * 5 + 5, 30}, Rgb(i * 30, 255 - i * 30, i * 7));
    source->Dc().Fill({0, 10, 40, 12}, Rgb(1, 2, 3));
    auto target = under_test::Drawing().CreateSurface(50, 50);
    target->Dc().CopyFrom(7, 9, 20, 15, source->Dc(), 3, 4);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool inside = x >= 7 && x < 27 && y >= 9 && y < 24;
            const Color expected = inside ? source->PixelAt(x - 7 + 3, y - 9 + 4) : Rgb(0, 0, 0);
            ASSERT_EQ(target->PixelAt(x, y), expected) << x << "," << y;
        }
}

TEST(GdiDrawing, SavePngWritesAPngOfTheSurfaceSize) {
    auto s = under_test::Drawing().CreateSurface(33, 17);
    s->Dc().Fill({0, 0, 10, 10}, Rgb(255, 0, 0));
    const std::string dir = under_test::TempDirectory();
    ASSERT_TRUE(s->SavePng(dir + "\\frame.png"));
    std::string bytes;
    ASSERT_TRUE(under_test::ReadBytes(dir + "\\frame.png", bytes));
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto be32 = [&](std::size_t at) {
        return (unsigned(static_cast<unsigned char>(bytes[at])) << 24) |
               (unsigned(static_cast<unsigned char>(bytes[at + 1])) << 16) |
               (unsigned(static_cast<unsigned char>(bytes[at + 2])) << 8) |
               unsigned(static_cast<unsigned char>(bytes[at + 3]));
    };
    EXPECT_EQ(be32(16), 33u);
    EXPECT_EQ(be32(20), 17u);
    EXPECT_FALSE(s->SavePng(dir + "\\no such folder\\frame.png"));
}
