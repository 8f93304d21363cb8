#include "colour.h"

#include <windows.h>

#include <icm.h>

#include <cmath>
#include <cstring>
#include <list>
#include <memory>

namespace platform::win32 {
namespace {

constexpr std::size_t KeptConversions = 6;

class Icc {
  public:
    explicit Icc(const std::string& d) : d_(d) {}
    bool Has(std::size_t at, std::size_t n) const { return at <= d_.size() && n <= d_.size() - at; }
    std::uint32_t U8(std::size_t at) const { return static_cast<unsigned char>(d_[at]); }
    std::uint32_t U16(std::size_t at) const { return U8(at) << 8 | U8(at + 1); }
    std::uint32_t U32(std::size_t at) const { return U16(at) << 16 | U16(at + 2); }
    double S15(std::size_t at) const { return static_cast<std::int32_t>(U32(at)) / 65536.0; }
    bool Is(std::size_t at, const char* sig) const {
        return Has(at, 4) && std::memcmp(d_.data() + at, sig, 4) == 0;
    }
    // The offset and size of the tag `sig`; false when it is missing or outside the profile.
    bool Tag(const char* sig, std::size_t& at, std::size_t& size) const {
        if (!Has(128, 4)) return false;
        const std::uint32_t count = U32(128);
        for (std::uint32_t i = 0; i < count && Has(132 + std::size_t(i) * 12, 12); ++i) {
            const std::size_t entry = 132 + std::size_t(i) * 12;
            if (!Is(entry, sig)) continue;
            at = U32(entry + 4);
            size = U32(entry + 8);
            return Has(at, size);
        }
        return false;
    }

  private:
    const std::string& d_;
};

double SrgbDecode(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// The curve of a 'curv' or 'para' tag at `v`; a negative value when it cannot be read.
double Curve(const Icc& icc, std::size_t at, std::size_t size, double v) {
    if (icc.Is(at, "curv") && size >= 12) {
        const std::uint32_t n = icc.U32(at + 8);
        if (n < 2 || !icc.Has(at + 12, std::size_t(n) * 2)) return -1;
        const double pos = v * (n - 1);
        const auto i = static_cast<std::uint32_t>(pos);
        const double a = icc.U16(at + 12 + i * 2) / 65535.0;
        const double b = icc.U16(at + 12 + std::min(i + 1, n - 1) * 2) / 65535.0;
        return a + (b - a) * (pos - i);
    }
    if (icc.Is(at, "para") && size >= 16) {
        const std::uint32_t type = icc.U16(at + 8);
        static const int counts[] = {1, 3, 4, 5, 7};
        if (type > 4 || !icc.Has(at + 12, std::size_t(counts[type]) * 4)) return -1;
        double p[7] = {1, 1, 0, 0, 0, 0, 0};
        for (int i = 0; i < counts[type]; ++i)
            p[i] = icc.S15(at + 12 + std::size_t(i) * 4);
        if (type == 0) return std::pow(v, p[0]);
        if (type == 3 || type == 4)
            return v >= p[4] ? std::pow(p[1] * v + p[2], p[0]) + (type == 4 ? p[5] : 0)
                             : p[3] * v + (type == 4 ? p[6] : 0);
    }
    return -1;
}

struct Conversion {
    std::string key;
    HTRANSFORM transform = nullptr; // null: drawn as decoded
    bool grey = false;
    ~Conversion() {
        if (transform) DeleteColorTransform(transform);
    }
};

HPROFILE OpenSrgb() {
    WCHAR path[MAX_PATH] = {};
    DWORD size = sizeof path;
    // LCS_sRGB ('sRGB'), spelt as its value: the header's multi-character constant.
    constexpr DWORD StandardSrgb = 0x73524742;
    if (!GetStandardColorSpaceProfileW(nullptr, StandardSrgb, path, &size)) return nullptr;
    PROFILE profile{PROFILE_FILENAME, path, static_cast<DWORD>((wcslen(path) + 1) * sizeof(WCHAR))};
    return OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

std::unique_ptr<Conversion> MakeConversion(const std::string& icc) {
    auto conversion = std::make_unique<Conversion>();
    conversion->key = icc;
    const Icc view(icc);
    const bool rgb = view.Is(16, "RGB "), grey = view.Is(16, "GRAY");
    if ((!rgb && !grey) || IccIsSrgb(icc)) return conversion;
    PROFILE source{PROFILE_MEMBUFFER, const_cast<char*>(icc.data()), static_cast<DWORD>(icc.size())};
    HPROFILE profiles[2] = {OpenColorProfileW(&source, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING),
                            OpenSrgb()};
    if (profiles[0] && profiles[1]) {
        DWORD intent = INTENT_PERCEPTUAL;
        conversion->transform =
            CreateMultiProfileTransform(profiles, 2, &intent, 1, BEST_MODE, INDEX_DONT_CARE);
        conversion->grey = grey;
    }
    for (HPROFILE p : profiles)
        if (p) CloseColorProfile(p);
    return conversion;
}

const Conversion& ConversionFor(const std::string& icc) {
    thread_local std::list<std::unique_ptr<Conversion>> kept;
    for (auto it = kept.begin(); it != kept.end(); ++it)
        if ((*it)->key == icc) {
            kept.splice(kept.begin(), kept, it);
            return *kept.front();
        }
    kept.push_front(MakeConversion(icc));
    if (kept.size() > KeptConversions) kept.pop_back();
    return *kept.front();
}

} // namespace

bool IccIsSrgb(const std::string& icc) {
    const Icc view(icc);
    if (!view.Is(16, "RGB ")) return false;
    std::size_t at = 0, size = 0;
    if (view.Tag("A2B0", at, size)) return false;
    // sRGB's colorants adapted to the profile connection space's white (D50).
    static const char* const colorants[] = {"rXYZ", "gXYZ", "bXYZ"};
    static const char* const curves[] = {"rTRC", "gTRC", "bTRC"};
    static const double srgb[3][3] = {
        {0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}};
    for (int c = 0; c < 3; ++c) {
        if (!view.Tag(colorants[c], at, size) || size < 20 || !view.Is(at, "XYZ ")) return false;
        for (int i = 0; i < 3; ++i)
            if (std::abs(view.S15(at + 8 + std::size_t(i) * 4) - srgb[c][i]) > 0.003) return false;
        if (!view.Tag(curves[c], at, size)) return false;
        for (double v = 0.05; v < 1.0; v += 0.1) {
            const double got = Curve(view, at, size, v);
            if (got < 0 || std::abs(got - SrgbDecode(v)) > 0.004) return false;
        }
    }
    return true;
}

void ConvertToSrgb(const std::string& icc, std::vector<std::uint32_t>& pixels, int width,
                   int height) {
    if (icc.empty() || width <= 0 || height <= 0 ||
        pixels.size() < std::size_t(width) * std::size_t(height))
        return;
    const Conversion& conversion = ConversionFor(icc);
    if (!conversion.transform) return;
    const DWORD stride = DWORD(width) * 4;
    if (!conversion.grey) {
        TranslateBitmapBits(conversion.transform, pixels.data(), BM_xRGBQUADS, DWORD(width),
                            DWORD(height), stride, pixels.data(), BM_xRGBQUADS, stride, nullptr, 0);
        return;
    }
    std::vector<BYTE> grey(pixels.size());
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<BYTE>(pixels[i] >> 8);
    TranslateBitmapBits(conversion.transform, grey.data(), BM_GRAY, DWORD(width), DWORD(height),
                        DWORD(width), pixels.data(), BM_xRGBQUADS, stride, nullptr, 0);
}

} // namespace platform::win32
