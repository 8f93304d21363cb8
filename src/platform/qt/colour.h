#pragma once
// Turns a picture's own colours into the screen's (sRGB) once it has been fitted to its place,
// from the colour profile the file carries. A picture without one, or with a profile that is
// sRGB in all but name, is left exactly as decoded.
#include <QByteArray>
#include <QImage>
#include <QRect>

#include <cstdint>
#include <string>

namespace platform::qt {

// Where a picture's colours are described: an ICC profile's bytes, or the primaries and
// transfer of a coded video picture (the ITU-T H.273 code points, as HEIF and AVIF give them).
struct PictureColour {
    std::string icc;
    int primaries = 2;      // 2: unspecified
    int transfer = 2;
    float chromaticities[8] = {}; // red, green, blue, white (x, y) for the primaries
    bool HasProfile() const { return !icc.empty() || primaries != 2; }
};

// The profile a PNG (iCCP) or WebP (ICCP) file carries, read from its first bytes; empty when
// there is none, it lies beyond them, or it is damaged.
std::string ContainerIccProfile(const QByteArray& head);

// Converts `area` of `image` (Format_RGB32) from `colour` to sRGB in place. Nothing is done for
// an sRGB or unusable profile. The conversions are kept per thread (a few at a time).
void ConvertToSrgb(const PictureColour& colour, QImage& image, const QRect& area);

} // namespace platform::qt
