#include "colour.h"

#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <memory>
#include <vector>

namespace platform::qt {
namespace {

// A profile's largest size that is read (the largest camera and printer profiles are a few MiB).
constexpr std::size_t MaxProfileBytes = 16u << 20;
constexpr std::size_t KeptConversions = 6;

std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

std::string Inflate(const unsigned char* data, std::size_t size) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    std::string out;
    z.next_in = const_cast<unsigned char*>(data);
    z.avail_in = static_cast<uInt>(size);
    int rc = Z_OK;
    unsigned char buffer[16384];
    while (rc == Z_OK) {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(reinterpret_cast<char*>(buffer), sizeof buffer - z.avail_out);
        if (out.size() > MaxProfileBytes) rc = Z_MEM_ERROR;
        if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::string();
}

std::string PngProfile(const unsigned char* d, std::size_t n) {
    for (std::size_t at = 8; at + 12 <= n;) {
        const std::uint32_t length = Be32(d + at);
        if (length > n - at - 12) return {};
        const unsigned char* body = d + at + 8;
        if (std::memcmp(d + at + 4, "iCCP", 4) == 0) {
            // A name of 1 to 79 bytes, its end, the compression method (0), the data.
            const auto* end = static_cast<const unsigned char*>(std::memchr(body, 0, length));
            if (!end || end == body || end + 2 > body + length || end[1] != 0) return {};
            return Inflate(end + 2, std::size_t(body + length - (end + 2)));
        }
        if (std::memcmp(d + at + 4, "IDAT", 4) == 0) return {};
        at += 12 + length;
    }
    return {};
}

std::string WebpProfile(const unsigned char* d, std::size_t n) {
    for (std::size_t at = 12; at + 8 <= n;) {
        const std::uint32_t length = Le32(d + at + 4);
        if (length > n - at - 8) return {};
        if (std::memcmp(d + at, "ICCP", 4) == 0)
            return std::string(reinterpret_cast<const char*>(d + at + 8), length);
        // The pixels come after any profile.
        if (std::memcmp(d + at, "VP8 ", 4) == 0 || std::memcmp(d + at, "VP8L", 4) == 0) return {};
        at += 8 + length + (length & 1);
    }
    return {};
}

// sRGB's curve, as its parameters for Little CMS's type 4 curve.
const double SrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};

cmsHPROFILE Srgb() {
    thread_local cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    return srgb;
}

// Whether `profile` describes sRGB (its colorants and curves within what rounding and the
// tables cameras write allow): such a picture is drawn as decoded.
bool IsSrgb(cmsHPROFILE profile) {
    if (cmsGetColorSpace(profile) != cmsSigRgbData ||
        !cmsIsMatrixShaper(profile) || cmsIsCLUT(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
        return false;
    const cmsTagSignature colorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                         cmsSigBlueColorantTag};
    const cmsTagSignature curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int i = 0; i < 3; ++i) {
        const auto* have = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[i]));
        const auto* want = static_cast<const cmsCIEXYZ*>(cmsReadTag(Srgb(), colorants[i]));
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[i]));
        if (!have || !want || !curve) return false;
        if (std::abs(have->X - want->X) > 0.003 || std::abs(have->Y - want->Y) > 0.003 ||
            std::abs(have->Z - want->Z) > 0.003)
            return false;
        const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(Srgb(), curves[i]));
        for (float v = 0.05f; v < 1.0f; v += 0.1f)
            if (std::abs(cmsEvalToneCurveFloat(curve, v) - cmsEvalToneCurveFloat(srgbCurve, v)) >
                0.004f)
                return false;
    }
    return true;
}

// The profile of coded video colours; null for sRGB (or unspecified) colours and for transfers
// this program does not convert (PQ, HLG).
cmsHPROFILE VideoProfile(const PictureColour& c) {
    const bool srgbLike = c.transfer == 1 || c.transfer == 2 || c.transfer == 6 ||
                          c.transfer == 13 || c.transfer == 14 || c.transfer == 15;
    if ((c.primaries == 1 || c.primaries == 2) && srgbLike) return nullptr;
    cmsToneCurve* curve = nullptr;
    if (srgbLike)
        curve = cmsBuildParametricToneCurve(nullptr, 4, SrgbCurve);
    else if (c.transfer == 8)
        curve = cmsBuildGamma(nullptr, 1.0);
    else if (c.transfer == 4)
        curve = cmsBuildGamma(nullptr, 2.2);
    else if (c.transfer == 5)
        curve = cmsBuildGamma(nullptr, 2.8);
    if (!curve) return nullptr;
    const float* p = c.chromaticities;
    const cmsCIExyY white{p[6], p[7], 1.0};
    const cmsCIExyYTRIPLE primaries{{p[0], p[1], 1.0}, {p[2], p[3], 1.0}, {p[4], p[5], 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = nullptr;
    if (white.y > 0 && p[1] > 0 && p[3] > 0 && p[5] > 0)
        profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

// Linear light in the fast path: 0 to LinearOne, and matrix coefficients of MatrixOne.
constexpr int LinearOne = 16383;
constexpr int MatrixShift = 12;

struct Conversion {
    std::string key;
    cmsHTRANSFORM transform = nullptr; // null: drawn as decoded (unless `matrix`)
    bool grey = false;
    // The fast path of an RGB profile of three curves and a matrix: each channel to linear
    // light by a table, the matrix to sRGB's primaries, then sRGB's curve by a table.
    bool matrix = false;
    std::int32_t toLinear[3][256] = {};
    std::int32_t m[9] = {};
    std::vector<std::uint8_t> fromLinear;
    ~Conversion() {
        if (transform) cmsDeleteTransform(transform);
    }
};

// The columns of a profile's colorants (red, green, blue XYZ); false when one is missing.
bool Colorants(cmsHPROFILE profile, double out[9]) {
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
        if (!xyz) return false;
        out[0 + c] = xyz->X;
        out[3 + c] = xyz->Y;
        out[6 + c] = xyz->Z;
    }
    return true;
}

bool Inverse(const double a[9], double out[9]) {
    const double det = a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                       a[2] * (a[3] * a[7] - a[4] * a[6]);
    if (std::abs(det) < 1e-9) return false;
    out[0] = (a[4] * a[8] - a[5] * a[7]) / det;
    out[1] = (a[2] * a[7] - a[1] * a[8]) / det;
    out[2] = (a[1] * a[5] - a[2] * a[4]) / det;
    out[3] = (a[5] * a[6] - a[3] * a[8]) / det;
    out[4] = (a[0] * a[8] - a[2] * a[6]) / det;
    out[5] = (a[2] * a[3] - a[0] * a[5]) / det;
    out[6] = (a[3] * a[7] - a[4] * a[6]) / det;
    out[7] = (a[1] * a[6] - a[0] * a[7]) / det;
    out[8] = (a[0] * a[4] - a[1] * a[3]) / det;
    return true;
}

// Prepares the fast path for a matrix profile; false for any other kind.
bool PrepareMatrix(cmsHPROFILE profile, Conversion& c) {
    if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile) ||
        cmsIsCLUT(profile, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
        return false;
    double from[9], to[9], toInverse[9];
    if (!Colorants(profile, from) || !Colorants(Srgb(), to) || !Inverse(to, toInverse))
        return false;
    const cmsTagSignature curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int ch = 0; ch < 3; ++ch) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[ch]));
        if (!curve) return false;
        for (int i = 0; i < 256; ++i)
            c.toLinear[ch][i] = static_cast<std::int32_t>(
                std::lround(std::clamp(cmsEvalToneCurveFloat(curve, i / 255.0f), 0.0f, 1.0f) *
                            LinearOne));
    }
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) {
            double v = 0;
            for (int j = 0; j < 3; ++j)
                v += toInverse[r * 3 + j] * from[j * 3 + k];
            c.m[r * 3 + k] = static_cast<std::int32_t>(std::lround(v * (1 << MatrixShift)));
        }
    c.fromLinear.resize(LinearOne + 1);
    for (int i = 0; i <= LinearOne; ++i) {
        const double v = double(i) / LinearOne;
        const double e = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        c.fromLinear[std::size_t(i)] = static_cast<std::uint8_t>(std::lround(e * 255));
    }
    c.matrix = true;
    return true;
}

void ConvertRowByMatrix(const Conversion& c, uchar* row, int width) {
    const std::uint8_t* out = c.fromLinear.data();
    for (int x = 0; x < width; ++x, row += 4) {
        // Format_RGB32's bytes: blue, green, red, unused.
        const std::int32_t r = c.toLinear[0][row[2]], g = c.toLinear[1][row[1]],
                           b = c.toLinear[2][row[0]];
        const std::int32_t lr = (c.m[0] * r + c.m[1] * g + c.m[2] * b) >> MatrixShift;
        const std::int32_t lg = (c.m[3] * r + c.m[4] * g + c.m[5] * b) >> MatrixShift;
        const std::int32_t lb = (c.m[6] * r + c.m[7] * g + c.m[8] * b) >> MatrixShift;
        row[2] = out[std::clamp(lr, 0, LinearOne)];
        row[1] = out[std::clamp(lg, 0, LinearOne)];
        row[0] = out[std::clamp(lb, 0, LinearOne)];
    }
}

std::string KeyOf(const PictureColour& c) {
    if (!c.icc.empty()) return "icc:" + c.icc;
    std::string key = "video:" + std::to_string(c.primaries) + ":" + std::to_string(c.transfer);
    for (float v : c.chromaticities)
        key += ":" + std::to_string(v);
    return key;
}

std::unique_ptr<Conversion> MakeConversion(const PictureColour& c, std::string key) {
    auto conversion = std::make_unique<Conversion>();
    conversion->key = std::move(key);
    cmsHPROFILE profile = nullptr;
    if (!c.icc.empty()) {
        if (c.icc.size() <= MaxProfileBytes)
            profile = cmsOpenProfileFromMem(c.icc.data(), static_cast<cmsUInt32Number>(c.icc.size()));
        if (profile && IsSrgb(profile)) {
            cmsCloseProfile(profile);
            profile = nullptr;
        }
    } else {
        profile = VideoProfile(c);
    }
    if (!profile) return conversion;
    if (PrepareMatrix(profile, *conversion)) {
        cmsCloseProfile(profile);
        return conversion;
    }
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile);
    if (space == cmsSigRgbData || space == cmsSigGrayData) {
        conversion->grey = space == cmsSigGrayData;
        conversion->transform =
            cmsCreateTransform(profile, conversion->grey ? TYPE_GRAY_8 : TYPE_BGRA_8, Srgb(),
                               TYPE_BGRA_8, INTENT_PERCEPTUAL, 0);
    }
    cmsCloseProfile(profile);
    return conversion;
}

// The conversion for `colour`, made once and kept among the most recently used.
const Conversion& ConversionFor(const PictureColour& colour) {
    thread_local std::list<std::unique_ptr<Conversion>> kept;
    std::string key = KeyOf(colour);
    for (auto it = kept.begin(); it != kept.end(); ++it)
        if ((*it)->key == key) {
            kept.splice(kept.begin(), kept, it);
            return *kept.front();
        }
    kept.push_front(MakeConversion(colour, std::move(key)));
    if (kept.size() > KeptConversions) kept.pop_back();
    return *kept.front();
}

} // namespace

std::string ContainerIccProfile(const QByteArray& head) {
    const auto* d = reinterpret_cast<const unsigned char*>(head.constData());
    const auto n = static_cast<std::size_t>(head.size());
    if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return PngProfile(d, n);
    if (n >= 12 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBP", 4) == 0)
        return WebpProfile(d, n);
    return {};
}

void ConvertToSrgb(const PictureColour& colour, QImage& image, const QRect& area) {
    if (!colour.HasProfile() || image.format() != QImage::Format_RGB32 ||
        !image.rect().contains(area) || area.isEmpty())
        return;
    const Conversion& conversion = ConversionFor(colour);
    if (conversion.matrix) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            ConvertRowByMatrix(conversion, image.scanLine(y) + std::ptrdiff_t(area.left()) * 4,
                               area.width());
        return;
    }
    if (!conversion.transform) return;
    const auto width = static_cast<cmsUInt32Number>(area.width());
    thread_local std::vector<unsigned char> grey;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        uchar* row = image.scanLine(y) + std::ptrdiff_t(area.left()) * 4;
        if (conversion.grey) {
            grey.resize(width);
            for (cmsUInt32Number x = 0; x < width; ++x)
                grey[x] = row[x * 4 + 1];
            cmsDoTransform(conversion.transform, grey.data(), row, width);
        } else {
            cmsDoTransform(conversion.transform, row, row, width);
        }
    }
}

} // namespace platform::qt
