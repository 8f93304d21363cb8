#pragma once
// The GDI device context behind every DeviceContext of this platform, and the off-screen
// image that surfaces and the saver window keep their pixels in.
#include "windows_api.h"

#include "gdi_handles.h"
#include "platform/drawing.h"

namespace platform::win32 {

// A colour as GDI takes it; a value with the high bit set names a system colour.
COLORREF ToColorRef(Color color);
// A UTF-8 face name in the ANSI code page, NUL-terminated within a font record's face field.
void CopyFaceName(const std::string& utf8, char (&face)[LF_FACESIZE]);

class DibImage;

// The plain GDI operations on one device context, which it does not own. With the image selected
// into it, it also gives and takes that image's pixels.
class GdiDc : public DeviceContext {
  public:
    explicit GdiDc(HDC dc = nullptr, DibImage* image = nullptr) : dc_(dc), image_(image) {}
    FontHandle CreateFontIndirect(const LogFont& font) override;
    FontHandle SelectFont(FontHandle font) override;
    bool DeleteFont(FontHandle font) override;
    void SetBkMode(BkMode mode) override;
    void SetTextColor(Color color) override;
    void DrawText(const std::string& text, const Rect& rect, unsigned format) override;
    void CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx,
                  int sy) override;
    void Fill(const Rect& rect, Color color) override;
    bool ReadPixels(const Rect& rect, std::vector<std::uint32_t>& pixels) override;
    bool WritePixels(const Rect& rect, const std::vector<std::uint32_t>& pixels) override;
    HDC Hdc() const { return dc_; }

  private:
    HDC dc_;
    DibImage* image_;
};

// A 32-bit top-down DIB section selected into its own memory device context.
class DibImage {
  public:
    DibImage() = default;
    ~DibImage();
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

    // A new image of the given size filled with `fill`, keeping the old pixels that still fit;
    // false (and the old image kept) when the system cannot make it.
    bool Resize(int width, int height, Color fill);
    int Width() const { return width_; }
    int Height() const { return height_; }
    HDC Hdc() const { return dc_.Get(); }
    // The pixels, top row first, `Width()` to a row; null for an empty image.
    std::uint32_t* Bits() const { return bits_; }
    Color PixelAt(int x, int y) const;
    bool SavePng(const std::string& path) const;

  private:
    MemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ original_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace platform::win32
