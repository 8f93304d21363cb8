#pragma once
// What the first bytes of a picture file tell, read without decoding any pixel.
#include <cstdint>
#include <string>

namespace platform::win32 {

struct PictureHeader {
    enum class Kind {
        Unknown, // not a format read here; the system's decoder may still know it
        Refused, // a format read here whose header or length cannot be a whole picture
        Read,
    };
    Kind kind = Kind::Unknown;
    std::uint32_t width = 0; // as stored, before the orientation is applied
    std::uint32_t height = 0;
    int orientation = 1; // the Exif orientation, 1 to 8
    // What a progressive JPEG's decoder keeps besides the pixels: every block's coefficients.
    std::uint64_t coefficientBytes = 0;
    // A JPEG's colour components (1 grey, 3 colour, 4 CMYK or YCCK); 0 for other formats.
    int components = 0;
    // A JPEG's colour profile: its APP2 "ICC_PROFILE" segments joined in their sequence order
    // (empty without one, or when a segment is missing or repeated).
    std::string icc;
};

// Reads BMP, JPEG and PNG headers from `head`, the file's first bytes; `fileSize` is the whole
// file's length. For PNG (eXIf), WebP (EXIF) and TIFF files, of a kind left to the system's
// decoder, the orientation is read too.
PictureHeader ReadPictureHeader(const std::string& head, std::uint64_t fileSize);

} // namespace platform::win32
