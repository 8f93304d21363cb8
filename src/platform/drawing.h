#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A colour as the system stores it: red in the low byte, then green, then blue.
using Color = std::uint32_t;
constexpr Color Rgb(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return c & 0xFF; }
constexpr int GreenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Color c) { return (c >> 16) & 0xFF; }

struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The part `a` and `b` have in common; an empty rectangle (no width or no height) when none.
constexpr Rect Intersect(const Rect& a, const Rect& b) {
    const int left = a.Left > b.Left ? a.Left : b.Left;
    const int top = a.Top > b.Top ? a.Top : b.Top;
    const int right = a.Right < b.Right ? a.Right : b.Right;
    const int bottom = a.Bottom < b.Bottom ? a.Bottom : b.Bottom;
    if (right <= left || bottom <= top) return {};
    return {left, top, right, bottom};
}

// The fields of a logical font, in the order the system's record has them.
struct LogFont {
    std::int32_t Height = 0;
    std::int32_t Width = 0;
    std::int32_t Escapement = 0;
    std::int32_t Orientation = 0;
    std::int32_t Weight = 400;
    std::uint8_t Italic = 0;
    std::uint8_t Underline = 0;
    std::uint8_t StrikeOut = 0;
    std::uint8_t CharSet = 1;
    std::uint8_t OutPrecision = 0;
    std::uint8_t ClipPrecision = 0;
    std::uint8_t Quality = 0;
    std::uint8_t PitchAndFamily = 0;
    std::string FaceName; // UTF-8
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// Opaque font handle; 0 is no font.
using FontHandle = std::uintptr_t;

enum class BkMode { Transparent = 1, Opaque = 2 };

// Text format flags, with the system's values.
constexpr unsigned DT_Center = 1;

// A drawing target with the operations the calendar and the slide show need.
class DeviceContext {
public:
    virtual ~DeviceContext() = default;
    virtual FontHandle CreateFontIndirect(const LogFont& font) = 0;
    // Selects `font` and returns the font it replaces.
    virtual FontHandle SelectFont(FontHandle font) = 0;
    virtual bool DeleteFont(FontHandle font) = 0;
    virtual void SetBkMode(BkMode mode) = 0;
    virtual void SetTextColor(Color color) = 0;
    // Draws UTF-8 `text` in `rect` with `format` (DT_Center: centred horizontally,
    // top-aligned, clipped to the rectangle).
    virtual void DrawText(const std::string& text, const Rect& rect, unsigned format) = 0;
    // Copies `width` x `height` pixels from `source` at (sx, sy) to (x, y) here, unchanged.
    virtual void CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx,
                          int sy) = 0;
    // Fills `rect` with `color`.
    virtual void Fill(const Rect& rect, Color color) = 0;
    // The pixels of `rect`, which must lie wholly inside the image, row by row as the image
    // keeps them (32 bits each), for writing back into a context of the same kind. False, and
    // `pixels` unspecified, when this context cannot give them.
    virtual bool ReadPixels(const Rect& rect, std::vector<std::uint32_t>& pixels) {
        (void)rect, (void)pixels;
        return false;
    }
    // Puts pixels read by ReadPixels from a rectangle of the same size into `rect`; false when
    // this context cannot take them.
    virtual bool WritePixels(const Rect& rect, const std::vector<std::uint32_t>& pixels) {
        (void)rect, (void)pixels;
        return false;
    }
};

// A hidden image that keeps its content between frames and exposes a device context.
class Surface {
public:
    virtual ~Surface() = default;
    virtual void Resize(int width, int height) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual DeviceContext& Dc() = 0;
    // Writes the image as PNG; false on failure.
    virtual bool SavePng(const std::string& path) = 0;
    // The colour of one pixel (for checks and tools).
    virtual Color PixelAt(int x, int y) const = 0;
};

class Drawing {
public:
    virtual ~Drawing() = default;
    virtual std::unique_ptr<Surface> CreateSurface(int width, int height) = 0;
};

} // namespace platform
