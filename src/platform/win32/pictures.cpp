#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "codepage.h"
#include "colour.h"
#include "gdi_surface.h"
#include "picture_header.h"
#include "raster/enlarger.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

constexpr std::uint64_t MaxPixels = 100'000'000;
constexpr std::uint32_t MaxSide = 32767;
// Enough for any JPEG header with its Exif block; a frame header further on is left to WIC.
constexpr DWORD HeadBytes = 256 * 1024;

// The system's interface for decoding at a reduced size, which the mingw-w64 headers lack.
struct IWICBitmapSourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format,
                                                 WICBitmapTransformOptions transform, UINT stride,
                                                 UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                           BOOL* supported) = 0;
};
constexpr IID IID_IWICBitmapSourceTransform = {
    0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

template <typename T> class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// The system's decoders decode at the full size (4 bytes a pixel at most), so the declared size
// decides the memory a picture needs.
bool WithinLimits(const PictureHeader& h) {
    return h.width > 0 && h.height > 0 && h.width <= MaxSide && h.height <= MaxSide &&
           std::uint64_t(h.width) * h.height <= MaxPixels &&
           std::uint64_t(h.width) * h.height * 4 + h.coefficientBytes <= MaxDecodeBytes;
}

bool SwapsSides(int orientation) {
    return orientation >= 5;
}

// Each thread that decodes (the program's, the saver's worker, a tool's) joins COM and makes its
// own factory once; joining twice is harmless. The factory is kept to the end of the process
// (released from a thread-exit destructor it was already unusable under Wine); the saver starts
// one worker per run, so this is one more factory per process.
IWICImagingFactory* Factory() {
    static thread_local IWICImagingFactory* factory = nullptr;
    if (!factory) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    }
    return factory;
}

// The first bytes and the length of a regular file; false for a folder or a missing file.
bool ReadHead(const std::wstring& path, std::string& head, std::uint64_t& size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length{};
    bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &length);
    if (ok) {
        size = static_cast<std::uint64_t>(length.QuadPart);
        head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, HeadBytes)));
        DWORD read = 0;
        ok = head.empty() ||
             (ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr) &&
              read == head.size());
    }
    CloseHandle(file);
    return ok;
}

bool OpenFrame(const std::wstring& path, Com<IWICBitmapFrameDecode>& frame) {
    IWICImagingFactory* factory = Factory();
    if (!factory) return false;
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.Out())))
        return false;
    return SUCCEEDED(decoder->GetFrame(0, frame.Out()));
}

// `source` (32-bit pixels, `sw` x `sh`) enlarged to `width` x `height`, neither side smaller,
// by the interpolation both builds use for enlarging.
bool Enlarge(IWICBitmapSource* source, UINT sw, UINT sh, int width, int height,
             std::vector<std::uint32_t>& out) {
    std::vector<std::uint32_t> in(std::size_t(sw) * sh);
    if (FAILED(source->CopyPixels(nullptr, sw * 4, sw * 4 * sh, reinterpret_cast<BYTE*>(in.data()))))
        return false;
    out.assign(std::size_t(width) * height, 0);
    raster::Enlarger enlarger;
    enlarger.Start(int(sw), int(sh), width, height, [&](int y, const std::uint32_t* row) {
        std::uint32_t* to = out.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            to[x] = row[x] & 0xFFFFFF;
    });
    for (UINT y = 0; y < sh; ++y)
        enlarger.AddRow(reinterpret_cast<const unsigned char*>(in.data() + std::size_t(y) * sw));
    return true;
}

// How each output pixel of one axis covers the input pixels: area averaging.
struct Span {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Span> Spans(int from, int to) {
    std::vector<Span> spans(static_cast<std::size_t>(to));
    const double scale = double(from) / to;
    for (int j = 0; j < to; ++j) {
        const double a = j * scale, b = (j + 1) * scale;
        Span& s = spans[static_cast<std::size_t>(j)];
        s.first = static_cast<int>(std::floor(a));
        const int last = std::min(from, static_cast<int>(std::ceil(b)));
        for (int i = s.first; i < last; ++i)
            s.weights.push_back(
                static_cast<float>((std::min(b, i + 1.0) - std::max(a, double(i))) / scale));
    }
    return spans;
}

// Reads `source` (32-bit pixels) top to bottom in strips and averages it down to
// `width` x `height`, so that memory follows the output, not the picture.
bool AreaAverage(IWICBitmapSource* source, UINT sw, UINT sh, int width, int height,
                 std::vector<std::uint32_t>& out, const StopFlag* stop) {
    const std::vector<Span> across = Spans(static_cast<int>(sw), width);
    const std::vector<Span> down = Spans(static_cast<int>(sh), height);
    constexpr UINT StripRows = 16;
    std::vector<std::uint32_t> strip(std::size_t(sw) * StripRows);
    UINT stripFirst = 0, stripRows = 0;
    // Rows already averaged across, from `reducedFirst` on.
    std::vector<std::vector<float>> reduced;
    int reducedFirst = 0;

    auto reduceRow = [&](UINT y, std::vector<float>& row) -> bool {
        if (y < stripFirst || y >= stripFirst + stripRows) {
            if (stop && *stop) return false;
            stripFirst = y;
            stripRows = std::min(StripRows, sh - y);
            const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(sw),
                               static_cast<INT>(stripRows)};
            if (FAILED(source->CopyPixels(&rect, sw * 4, sw * 4 * stripRows,
                                          reinterpret_cast<BYTE*>(strip.data()))))
                return false;
        }
        const std::uint32_t* in = strip.data() + std::size_t(y - stripFirst) * sw;
        row.assign(std::size_t(width) * 3, 0.0f);
        for (int x = 0; x < width; ++x) {
            const Span& s = across[std::size_t(x)];
            float b = 0, g = 0, r = 0;
            for (std::size_t k = 0; k < s.weights.size(); ++k) {
                const std::uint32_t p = in[std::size_t(s.first) + k];
                b += s.weights[k] * (p & 0xFF);
                g += s.weights[k] * ((p >> 8) & 0xFF);
                r += s.weights[k] * ((p >> 16) & 0xFF);
            }
            row[std::size_t(x) * 3] = b;
            row[std::size_t(x) * 3 + 1] = g;
            row[std::size_t(x) * 3 + 2] = r;
        }
        return true;
    };

    out.assign(std::size_t(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        const Span& s = down[std::size_t(y)];
        while (!reduced.empty() && reducedFirst < s.first) {
            reduced.erase(reduced.begin());
            ++reducedFirst;
        }
        if (reduced.empty()) reducedFirst = s.first;
        while (reducedFirst + static_cast<int>(reduced.size()) < s.first + int(s.weights.size())) {
            reduced.emplace_back();
            const int row = reducedFirst + static_cast<int>(reduced.size()) - 1;
            if (!reduceRow(static_cast<UINT>(row), reduced.back())) return false;
        }
        std::uint32_t* line = out.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            float c[3] = {0, 0, 0};
            for (std::size_t k = 0; k < s.weights.size(); ++k)
                for (int i = 0; i < 3; ++i)
                    c[i] += s.weights[k] * reduced[k][std::size_t(x) * 3 + std::size_t(i)];
            std::uint32_t p = 0;
            for (int i = 0; i < 3; ++i)
                p |= static_cast<std::uint32_t>(std::clamp(c[i] + 0.5f, 0.0f, 255.0f)) << (8 * i);
            line[x] = p;
        }
    }
    return true;
}

// Turns `in` (as stored, `w` x `h`) upright for the Exif `orientation`.
std::vector<std::uint32_t> Upright(const std::vector<std::uint32_t>& in, int w, int h,
                                   int orientation) {
    if (orientation == 1) return in;
    const int ow = SwapsSides(orientation) ? h : w, oh = SwapsSides(orientation) ? w : h;
    std::vector<std::uint32_t> out(in.size());
    for (int y = 0; y < oh; ++y)
        for (int x = 0; x < ow; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x, sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y, sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y, sy = x;
                break;
            }
            out[std::size_t(y) * ow + x] = in[std::size_t(sy) * w + sx];
        }
    return out;
}

class WicPicture final : public Picture {
  public:
    WicPicture(std::wstring path, UINT width, UINT height, int orientation, std::string icc)
        : path_(std::move(path)), width_(width), height_(height), orientation_(orientation),
          icc_(std::move(icc)) {}

    int Width() const override {
        return static_cast<int>(SwapsSides(orientation_) ? height_ : width_);
    }
    int Height() const override {
        return static_cast<int>(SwapsSides(orientation_) ? width_ : height_);
    }

    bool DrawScaled(Surface& target, const Rect& dest, const StopFlag* stop) override {
        if (dest.Width() <= 0 || dest.Height() <= 0) return true;
        const bool swap = SwapsSides(orientation_);
        const int w = swap ? dest.Height() : dest.Width();
        const int h = swap ? dest.Width() : dest.Height();
        std::vector<std::uint32_t> pixels;
        std::string icc = icc_;
        if (!Decode(w, h, pixels, stop, icc)) return false;
        pixels = Upright(pixels, w, h, orientation_);
        // The colours are converted once the picture has its drawn size.
        ConvertToSrgb(icc, pixels, dest.Width(), dest.Height());

        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = dest.Width();
        info.bmiHeader.biHeight = -dest.Height();
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC dc = DcOf(target);
        return dc && SetDIBitsToDevice(dc, dest.Left, dest.Top, static_cast<DWORD>(dest.Width()),
                                       static_cast<DWORD>(dest.Height()), 0, 0, 0,
                                       static_cast<UINT>(dest.Height()), pixels.data(), &info,
                                       DIB_RGB_COLORS) != 0;
    }

  private:
    // The picture as stored, at exactly `w` x `h`, as 32-bit pixels. The colour profile the
    // decoder finds is put in `icc` when it is empty.
    bool Decode(int w, int h, std::vector<std::uint32_t>& out, const StopFlag* stop,
                std::string& icc) const {
        Com<IWICBitmapFrameDecode> frame;
        if (!OpenFrame(path_, frame)) return false;
        if (icc.empty()) icc = ProfileOf(*frame.Get());
        UINT sw = 0, sh = 0;
        // The file may have changed since it was opened; its size is checked again.
        if (FAILED(frame->GetSize(&sw, &sh)) || sw != width_ || sh != height_) return false;

        IWICImagingFactory* factory = Factory();
        Com<IWICBitmap> reduced;
        IWICBitmapSource* source = frame.Get();
        if (UINT rw = UINT(w), rh = UINT(h);
            (rw < sw || rh < sh) && ReduceWhileDecoding(*frame.Get(), rw, rh, reduced)) {
            source = reduced.Get();
            sw = rw;
            sh = rh;
        }
        // Premultiplied, so that transparent parts come out black like the canvas.
        Com<IWICFormatConverter> converter;
        if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
            FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA,
                                         WICBitmapDitherTypeNone, nullptr, 0,
                                         WICBitmapPaletteTypeCustom)))
            return false;
        if (sw == UINT(w) && sh == UINT(h)) {
            out.assign(std::size_t(w) * h, 0);
            if (FAILED(converter->CopyPixels(nullptr, sw * 4, sw * 4 * sh,
                                             reinterpret_cast<BYTE*>(out.data()))))
                return false;
            for (auto& p : out)
                p &= 0xFFFFFF;
            return true;
        }
        if (UINT(w) >= sw && UINT(h) >= sh) return Enlarge(converter.Get(), sw, sh, w, h, out);
        return AreaAverage(converter.Get(), sw, sh, w, h, out, stop);
    }

    // A JPEG decoder that can decode at 1/2, 1/4 or 1/8 of the size does so into a bitmap no
    // smaller than `w` x `h`; on return `w` and `h` are that bitmap's size.
    static bool ReduceWhileDecoding(IWICBitmapFrameDecode& frame, UINT& w, UINT& h,
                                    Com<IWICBitmap>& bitmap) {
        Com<IWICBitmapSourceTransform> transform;
        if (FAILED(frame.QueryInterface(IID_IWICBitmapSourceTransform,
                                        reinterpret_cast<void**>(transform.Out()))))
            return false;
        UINT sw = 0, sh = 0;
        frame.GetSize(&sw, &sh);
        UINT bestW = 0, bestH = 0;
        for (UINT step = 8; step >= 2; step /= 2) {
            UINT cw = (sw + step - 1) / step, ch = (sh + step - 1) / step;
            if (FAILED(transform->GetClosestSize(&cw, &ch))) continue;
            if (cw >= w && ch >= h && cw < sw && ch < sh) {
                bestW = cw;
                bestH = ch;
                break;
            }
        }
        if (!bestW) return false;
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
        BOOL supported = FALSE;
        if (FAILED(transform->GetClosestPixelFormat(&format)) ||
            FAILED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &supported)) ||
            !supported)
            return false;
        Com<IWICComponentInfo> info;
        Com<IWICPixelFormatInfo> formatInfo;
        UINT bits = 0;
        if (FAILED(Factory()->CreateComponentInfo(format, info.Out())) ||
            FAILED(info->QueryInterface(IID_IWICPixelFormatInfo,
                                        reinterpret_cast<void**>(formatInfo.Out()))) ||
            FAILED(formatInfo->GetBitsPerPixel(&bits)) || bits == 0)
            return false;
        const UINT stride = (bestW * bits + 31) / 32 * 4;
        std::vector<BYTE> buffer(std::size_t(stride) * bestH);
        if (FAILED(transform->CopyPixels(nullptr, bestW, bestH, &format, WICBitmapTransformRotate0,
                                         stride, static_cast<UINT>(buffer.size()),
                                         buffer.data())) ||
            FAILED(Factory()->CreateBitmapFromMemory(bestW, bestH, format, stride,
                                                     static_cast<UINT>(buffer.size()),
                                                     buffer.data(), bitmap.Out())))
            return false;
        w = bestW;
        h = bestH;
        return true;
    }

    // The first ICC colour profile the decoder reports for the frame.
    static std::string ProfileOf(IWICBitmapFrameDecode& frame) {
        UINT count = 0;
        if (FAILED(frame.GetColorContexts(0, nullptr, &count)) || count == 0 || count > 8)
            return {};
        std::vector<IWICColorContext*> contexts(count, nullptr);
        for (auto*& context : contexts)
            Factory()->CreateColorContext(&context);
        std::string icc;
        UINT got = 0;
        if (SUCCEEDED(frame.GetColorContexts(count, contexts.data(), &got))) {
            for (UINT i = 0; i < got && icc.empty(); ++i) {
                WICColorContextType type{};
                UINT size = 0;
                if (contexts[i] && SUCCEEDED(contexts[i]->GetType(&type)) &&
                    type == WICColorContextProfile &&
                    SUCCEEDED(contexts[i]->GetProfileBytes(0, nullptr, &size)) && size > 0 &&
                    size <= (16u << 20)) {
                    icc.resize(size);
                    if (FAILED(contexts[i]->GetProfileBytes(size, reinterpret_cast<BYTE*>(icc.data()),
                                                            &size)))
                        icc.clear();
                }
            }
        }
        for (auto* context : contexts)
            if (context) context->Release();
        return icc;
    }

    std::wstring path_;
    UINT width_, height_;
    int orientation_;
    std::string icc_;
};

class WicPictures final : public Pictures {
  public:
    std::unique_ptr<Picture> Load(const std::string& path) override {
        const std::wstring wide = Utf8ToWide(path);
        std::string head;
        std::uint64_t size = 0;
        if (wide.empty() || !ReadHead(wide, head, size) || size == 0) return nullptr;
        PictureHeader header = ReadPictureHeader(head, size);
        if (header.kind == PictureHeader::Kind::Refused) return nullptr;
        if (header.kind == PictureHeader::Kind::Unknown) {
            // Another format the system decodes (GIF, TIFF, ...): its decoder reads the size.
            Com<IWICBitmapFrameDecode> frame;
            if (!OpenFrame(wide, frame) || FAILED(frame->GetSize(&header.width, &header.height)))
                return nullptr;
        }
        if (!WithinLimits(header)) return nullptr;
        return std::make_unique<WicPicture>(wide, header.width, header.height, header.orientation,
                                            std::move(header.icc));
    }
};

} // namespace

Pictures& PicturesService() {
    static WicPictures pictures;
    return pictures;
}

} // namespace platform::win32
