#include "picture_header.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform::win32 {
namespace {

using Kind = PictureHeader::Kind;

class Bytes {
  public:
    explicit Bytes(const std::string& data) : data_(data) {}
    bool Has(std::size_t at, std::size_t count) const {
        return at <= data_.size() && count <= data_.size() - at;
    }
    std::uint32_t At(std::size_t at) const { return static_cast<unsigned char>(data_[at]); }
    std::uint32_t Le16(std::size_t at) const { return At(at) | At(at + 1) << 8; }
    std::uint32_t Le32(std::size_t at) const { return Le16(at) | Le16(at + 2) << 16; }
    std::uint32_t Be16(std::size_t at) const { return At(at) << 8 | At(at + 1); }
    std::uint32_t Be32(std::size_t at) const { return Be16(at) << 16 | Be16(at + 2); }
    std::uint32_t U16(std::size_t at, bool little) const { return little ? Le16(at) : Be16(at); }
    std::uint32_t U32(std::size_t at, bool little) const { return little ? Le32(at) : Be32(at); }
    bool Starts(std::size_t at, const char* text, std::size_t count) const {
        return Has(at, count) && data_.compare(at, count, text, count) == 0;
    }

  private:
    const std::string& data_;
};

PictureHeader Make(Kind kind, std::uint32_t width = 0, std::uint32_t height = 0,
                   int orientation = 1) {
    PictureHeader h;
    h.kind = kind;
    h.width = width;
    h.height = height;
    h.orientation = orientation;
    return h;
}

PictureHeader Refused() {
    return Make(Kind::Refused);
}

PictureHeader Bmp(const Bytes& b, std::uint64_t fileSize) {
    if (!b.Has(0, 26)) return Refused();
    const std::uint32_t offset = b.Le32(10);
    const std::uint32_t infoSize = b.Le32(14);
    PictureHeader h = Make(Kind::Read);
    if (infoSize == 12) {
        h.width = b.Le16(18);
        h.height = b.Le16(20);
        return h.width && h.height ? h : Refused();
    }
    if (infoSize < 40 || !b.Has(0, 34)) return Refused();
    const auto width = static_cast<std::int32_t>(b.Le32(18));
    const auto height = static_cast<std::int32_t>(b.Le32(22));
    if (width <= 0 || height == 0 || height == INT32_MIN) return Refused();
    h.width = static_cast<std::uint32_t>(width);
    h.height = static_cast<std::uint32_t>(std::abs(height));
    // Uncompressed rows have a fixed length: a file shorter than its rows is refused before
    // any decoder sets aside room for the size the header claims.
    const std::uint32_t bits = b.Le16(28);
    const std::uint32_t compression = b.Le32(30);
    if ((compression == 0 || compression == 3) && bits > 0) {
        const std::uint64_t stride = (std::uint64_t(h.width) * bits + 31) / 32 * 4;
        // stride * height > fileSize - offset, without the product (it may not fit in 64 bits).
        if (offset > fileSize || stride > (fileSize - offset) / h.height) return Refused();
    }
    return h;
}

// The orientation in the first directory of the TIFF structure at `tiff` (before `end`).
int TiffOrientation(const Bytes& b, std::size_t tiff, std::size_t end) {
    if (!b.Has(tiff, 8) || tiff + 8 > end) return 1;
    bool little;
    if (b.Starts(tiff, "II", 2))
        little = true;
    else if (b.Starts(tiff, "MM", 2))
        little = false;
    else
        return 1;
    const std::size_t ifd = tiff + b.U32(tiff + 4, little);
    if (ifd < tiff || ifd + 2 > end) return 1;
    const std::uint32_t count = b.U16(ifd, little);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + i * 12;
        if (entry + 12 > end) break;
        if (b.U16(entry, little) == 0x0112 && b.U16(entry + 2, little) == 3) {
            const std::uint32_t value = b.U16(entry + 8, little);
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

int ExifOrientation(const Bytes& b, std::size_t start, std::size_t end) {
    // "Exif\0\0", then a TIFF header and its first directory.
    if (!b.Starts(start, "Exif\0\0", 6)) return 1;
    return TiffOrientation(b, start + 6, end);
}

// Joins the segments of a JPEG's colour profile: each says its number and the count.
class IccSegments {
  public:
    void Add(const Bytes& b, std::size_t start, std::size_t end, const std::string& head) {
        if (!b.Starts(start, "ICC_PROFILE\0", 12) || start + 14 > end) return;
        const std::uint32_t number = b.At(start + 12), count = b.At(start + 13);
        if (count == 0 || number == 0 || number > count || (count_ && count != count_)) {
            bad_ = true;
            return;
        }
        count_ = count;
        parts_.resize(count);
        if (!parts_[number - 1].empty()) bad_ = true;
        parts_[number - 1] = head.substr(start + 14, end - start - 14);
    }
    std::string Joined() const {
        std::string icc;
        if (bad_ || parts_.empty()) return icc;
        for (const std::string& part : parts_) {
            if (part.empty()) return {};
            icc += part;
        }
        return icc;
    }

  private:
    std::uint32_t count_ = 0;
    std::vector<std::string> parts_;
    bool bad_ = false;
};

// The coefficients of every block of every component listed from `at` (the component count,
// then three bytes each: id, sampling factors, table).
std::uint64_t Coefficients(const Bytes& b, std::size_t at, std::uint32_t width,
                           std::uint32_t height) {
    const std::uint32_t count = b.At(at);
    if (!b.Has(at + 1, count * 3)) return 0;
    std::uint32_t maxH = 1, maxV = 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        maxH = std::max(maxH, b.At(at + 2 + i * 3) >> 4);
        maxV = std::max(maxV, b.At(at + 2 + i * 3) & 0xF);
    }
    std::uint64_t bytes = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t h = std::max<std::uint32_t>(b.At(at + 2 + i * 3) >> 4, 1);
        const std::uint64_t v = std::max<std::uint32_t>(b.At(at + 2 + i * 3) & 0xF, 1);
        const std::uint64_t across = (width * h + maxH * 8 - 1) / (maxH * 8);
        const std::uint64_t down = (height * v + maxV * 8 - 1) / (maxV * 8);
        bytes += across * down * 64 * 2;
    }
    return bytes;
}

PictureHeader Jpeg(const Bytes& b, const std::string& head) {
    int orientation = 1;
    IccSegments icc;
    std::size_t at = 2;
    while (b.Has(at, 4)) {
        if (b.At(at) != 0xFF) return Refused();
        const std::uint32_t marker = b.At(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return Refused(); // image data before any frame
        const std::size_t length = b.Be16(at + 2);
        if (length < 2) return Refused();
        const std::size_t end = at + 2 + length;
        if (marker == 0xE1 && orientation == 1)
            orientation = ExifOrientation(b, at + 4, std::min(end, head.size()));
        if (marker == 0xE2 && end <= head.size()) icc.Add(b, at + 4, end, head);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!b.Has(at + 4, 6)) return Refused();
            PictureHeader h = Make(Kind::Read, b.Be16(at + 7), b.Be16(at + 5), orientation);
            if (!h.width || !h.height) return Refused();
            h.icc = icc.Joined();
            h.components = static_cast<int>(b.At(at + 9));
            if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
                h.coefficientBytes = Coefficients(b, at + 9, h.width, h.height);
            return h;
        }
        at = end;
    }
    // The frame header lies beyond the bytes read; the system's decoder finds it.
    return head.size() < 4 ? Refused() : Make(Kind::Unknown, 0, 0, orientation);
}

PictureHeader Png(const Bytes& b) {
    if (!b.Starts(12, "IHDR", 4) || !b.Has(16, 8)) return Refused();
    PictureHeader h = Make(Kind::Read, b.Be32(16), b.Be32(20));
    if (!h.width || !h.height) return Refused();
    // An eXIf chunk (a TIFF structure) comes before the pixels.
    for (std::size_t at = 8; b.Has(at, 12);) {
        const std::size_t length = b.Be32(at);
        if (b.Starts(at + 4, "IDAT", 4) || !b.Has(at + 8, length)) break;
        if (b.Starts(at + 4, "eXIf", 4)) {
            h.orientation = TiffOrientation(b, at + 8, at + 8 + length);
            break;
        }
        at += 12 + length;
    }
    return h;
}

// The orientation in a WebP file's EXIF chunk; the size is left to the system's decoder.
PictureHeader Webp(const Bytes& b) {
    PictureHeader h;
    for (std::size_t at = 12; b.Has(at, 8);) {
        const std::size_t length = b.Le32(at + 4);
        if (!b.Has(at + 8, length)) break;
        if (b.Starts(at, "EXIF", 4)) {
            const std::size_t tiff = b.Starts(at + 8, "Exif\0\0", 6) ? at + 14 : at + 8;
            h.orientation = TiffOrientation(b, tiff, at + 8 + length);
            break;
        }
        at += 8 + length + (length & 1);
    }
    return h;
}

} // namespace

PictureHeader ReadPictureHeader(const std::string& head, std::uint64_t fileSize) {
    const Bytes b(head);
    if (b.Starts(0, "BM", 2)) return Bmp(b, fileSize);
    if (b.Has(0, 3) && b.At(0) == 0xFF && b.At(1) == 0xD8 && b.At(2) == 0xFF) return Jpeg(b, head);
    if (b.Starts(0, "\x89PNG\r\n\x1a\n", 8)) return Png(b);
    if (b.Starts(0, "RIFF", 4) && b.Starts(8, "WEBP", 4)) return Webp(b);
    if (b.Starts(0, "II*\0", 4) || b.Starts(0, "MM\0*", 4))
        return Make(Kind::Unknown, 0, 0, TiffOrientation(b, 0, head.size()));
    return {};
}

} // namespace platform::win32
