#pragma once
// Turns a picture's own colours into the screen's (sRGB) through the system's colour
// management, once it has been fitted to its place. A picture without a profile, or with one
// that is sRGB in all but name, is left exactly as decoded.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::win32 {

// Whether the ICC profile `icc` describes sRGB: an RGB matrix profile whose colorants and
// curves are sRGB's within what rounding and the tables cameras write allow.
bool IccIsSrgb(const std::string& icc);

// Converts `pixels` (`width` x `height`, 0x00RRGGBB) from the profile `icc` to sRGB in place.
// Nothing is done without a profile, for an sRGB one, or one the system cannot use. The
// conversions are kept per thread (a few at a time).
void ConvertToSrgb(const std::string& icc, std::vector<std::uint32_t>& pixels, int width,
                   int height);

} // namespace platform::win32
