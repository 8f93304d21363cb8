#include "gdi_dc.h"

#include <algorithm>

#include "codepage.h"
#include "gdi_surface.h"
#include "win32_services.h"

namespace platform::win32 {

COLORREF ToColorRef(Color color) {
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
    return static_cast<COLORREF>(color & 0xFFFFFFu);
}

void CopyFaceName(const std::string& utf8, char (&face)[LF_FACESIZE]) {
    // A long name is cut, but never inside a double-byte character.
    const std::string ansi = Utf8ToAnsi(utf8);
    std::size_t length = 0;
    while (length < ansi.size()) {
        const std::size_t step = IsDBCSLeadByte(static_cast<BYTE>(ansi[length])) ? 2 : 1;
        if (length + step > LF_FACESIZE - 1 || length + step > ansi.size()) break;
        length += step;
    }
    std::fill_n(face, LF_FACESIZE, '\0');
    std::copy_n(ansi.data(), length, face);
}

FontHandle GdiDc::CreateFontIndirect(const LogFont& font) {
    LOGFONTA lf{};
    lf.lfHeight = font.Height;
    lf.lfWidth = font.Width;
    lf.lfEscapement = font.Escapement;
    lf.lfOrientation = font.Orientation;
    lf.lfWeight = font.Weight;
    lf.lfItalic = font.Italic;
    lf.lfUnderline = font.Underline;
    lf.lfStrikeOut = font.StrikeOut;
    lf.lfCharSet = font.CharSet;
    lf.lfOutPrecision = font.OutPrecision;
    lf.lfClipPrecision = font.ClipPrecision;
    lf.lfQuality = font.Quality;
    lf.lfPitchAndFamily = font.PitchAndFamily;
    CopyFaceName(font.FaceName, lf.lfFaceName);
    return reinterpret_cast<FontHandle>(CreateFontIndirectA(&lf));
}

FontHandle GdiDc::SelectFont(FontHandle font) {
    HGDIOBJ previous = SelectObject(dc_, reinterpret_cast<HGDIOBJ>(font));
    return previous == HGDI_ERROR ? 0 : reinterpret_cast<FontHandle>(previous);
}

bool GdiDc::DeleteFont(FontHandle font) {
    return font != 0 && DeleteObject(reinterpret_cast<HGDIOBJ>(font)) != FALSE;
}

void GdiDc::SetBkMode(BkMode mode) {
    ::SetBkMode(dc_, mode == BkMode::Transparent ? TRANSPARENT : OPAQUE);
}

void GdiDc::SetTextColor(Color color) {
    ::SetTextColor(dc_, ToColorRef(color));
}

void GdiDc::DrawText(const std::string& text, const Rect& rect, unsigned format) {
    std::string ansi = Utf8ToAnsi(text);
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    DrawTextA(dc_, ansi.data(), static_cast<int>(ansi.size()), &r, format);
}

void GdiDc::CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx, int sy) {
    if (HDC from = HdcOf(source)) BitBlt(dc_, x, y, width, height, from, sx, sy, SRCCOPY);
}

void GdiDc::Fill(const Rect& rect, Color color) {
    UniqueBrush brush(CreateSolidBrush(ToColorRef(color)));
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    FillRect(dc_, &r, brush.Get());
}

namespace {

// The first pixel of `rect` in `image`, or null when `rect` is not wholly inside it.
std::uint32_t* FirstPixel(const DibImage* image, const Rect& rect) {
    if (!image || !image->Bits() || rect.Width() <= 0 || rect.Height() <= 0 || rect.Left < 0 ||
        rect.Top < 0 || rect.Right > image->Width() || rect.Bottom > image->Height())
        return nullptr;
    return image->Bits() + static_cast<std::size_t>(rect.Top) * image->Width() + rect.Left;
}

} // namespace

bool GdiDc::ReadPixels(const Rect& rect, std::vector<std::uint32_t>& pixels) {
    const std::uint32_t* first = FirstPixel(image_, rect);
    if (!first) return false;
    GdiFlush();
    const auto w = static_cast<std::size_t>(rect.Width());
    pixels.resize(w * static_cast<std::size_t>(rect.Height()));
    for (int y = 0; y < rect.Height(); ++y)
        std::copy_n(first + static_cast<std::size_t>(y) * image_->Width(), w,
                    pixels.data() + w * static_cast<std::size_t>(y));
    return true;
}

bool GdiDc::WritePixels(const Rect& rect, const std::vector<std::uint32_t>& pixels) {
    std::uint32_t* first = FirstPixel(image_, rect);
    const auto w = static_cast<std::size_t>(rect.Width());
    if (!first || pixels.size() != w * static_cast<std::size_t>(rect.Height())) return false;
    GdiFlush();
    for (int y = 0; y < rect.Height(); ++y)
        std::copy_n(pixels.data() + w * static_cast<std::size_t>(y), w,
                    first + static_cast<std::size_t>(y) * image_->Width());
    return true;
}

DibImage::~DibImage() {
    if (original_) SelectObject(dc_.Get(), original_);
}

bool DibImage::Resize(int width, int height, Color fill) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    // Past this a single image would not fit the address space GDI allows.
    if (static_cast<long long>(width) * height > (1LL << 26)) return false;
    if (width == width_ && height == height_ && bitmap_) return true;

    UniqueBitmap fresh;
    void* bits = nullptr;
    if (width > 0 && height > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        fresh.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!fresh) return false;
        const COLORREF c = ToColorRef(fill);
        const std::uint32_t pixel = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(width) * height,
                    pixel);
    }
    GdiFlush();
    if (bits_) {
        const int rows = std::min(height, height_), cols = std::min(width, width_);
        for (int y = 0; y < rows; ++y)
            std::copy_n(bits_ + static_cast<std::size_t>(y) * width_, cols,
                        static_cast<std::uint32_t*>(bits) + static_cast<std::size_t>(y) * width);
    }
    if (fresh) {
        HGDIOBJ previous = SelectObject(dc_.Get(), fresh.Get());
        if (!original_) original_ = previous;
    } else if (original_) {
        SelectObject(dc_.Get(), original_);
        original_ = nullptr;
    }
    bitmap_ = std::move(fresh);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

Color DibImage::PixelAt(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    GdiFlush();
    const std::uint32_t p = bits_[static_cast<std::size_t>(y) * width_ + x];
    return Rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

namespace {

class GdiSurface : public Surface {
  public:
    GdiSurface(int width, int height) : dc_(image_.Hdc(), &image_) { Resize(width, height); }
    void Resize(int width, int height) override { image_.Resize(width, height, Rgb(0, 0, 0)); }
    int Width() const override { return image_.Width(); }
    int Height() const override { return image_.Height(); }
    DeviceContext& Dc() override { return dc_; }
    bool SavePng(const std::string& path) override { return image_.SavePng(path); }
    Color PixelAt(int x, int y) const override { return image_.PixelAt(x, y); }

  private:
    DibImage image_;
    GdiDc dc_;
};

class GdiDrawing : public Drawing {
  public:
    std::unique_ptr<Surface> CreateSurface(int width, int height) override {
        return std::make_unique<GdiSurface>(width, height);
    }
};

} // namespace

HDC HdcOf(DeviceContext& dc) {
    auto* gdi = dynamic_cast<GdiDc*>(&dc);
    return gdi ? gdi->Hdc() : nullptr;
}

HDC DcOf(Surface& surface) {
    return HdcOf(surface.Dc());
}

Drawing& DrawingService() {
    static GdiDrawing drawing;
    return drawing;
}

} // namespace platform::win32
