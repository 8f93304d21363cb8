#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

#include "codepage.h"
#include "gdi_dc.h"

namespace platform::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// COM for the length of one call; harmless when the thread has it already.
class ComScope {
  public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT hr_;
};

} // namespace

bool DibImage::SavePng(const std::string& path) const {
    if (!bits_ || width_ <= 0 || height_ <= 0) return false;
    GdiFlush();
    // Rows of blue, green, red, which every PNG encoder takes as they are.
    const UINT stride = static_cast<UINT>(width_) * 3;
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * height_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t p = bits_[static_cast<std::size_t>(y) * width_ + x];
            BYTE* out = &rows[static_cast<std::size_t>(y) * stride + x * 3];
            out[0] = p & 0xFF;
            out[1] = (p >> 8) & 0xFF;
            out[2] = (p >> 16) & 0xFF;
        }

    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    const std::wstring widePath = Utf8ToWide(path);
    const bool opened = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                                   CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
                        SUCCEEDED(factory->CreateStream(&stream)) &&
                        SUCCEEDED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE));
    const bool ok =
        opened && SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(width_), static_cast<UINT>(height_))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
        SUCCEEDED(frame->WritePixels(static_cast<UINT>(height_), stride,
                                     static_cast<UINT>(rows.size()), rows.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    frame.Reset();
    encoder.Reset();
    stream.Reset();
    // A half-written file is worse than none.
    if (opened && !ok) DeleteFileW(widePath.c_str());
    return ok;
}

} // namespace platform::win32
