#include "orientation.h"

#include <QTransform>

#include <cstdint>
#include <cstring>

namespace platform::qt {
namespace {

class Bytes {
  public:
    explicit Bytes(const QByteArray& d)
        : d_(reinterpret_cast<const unsigned char*>(d.constData())), n_(std::size_t(d.size())) {}
    bool Has(std::size_t at, std::size_t count) const { return at <= n_ && count <= n_ - at; }
    bool Starts(std::size_t at, const char* text, std::size_t count) const {
        return Has(at, count) && std::memcmp(d_ + at, text, count) == 0;
    }
    std::uint32_t U16(std::size_t at, bool little) const {
        return little ? d_[at] | d_[at + 1] << 8 : d_[at] << 8 | d_[at + 1];
    }
    std::uint32_t U32(std::size_t at, bool little) const {
        return little ? U16(at, true) | U16(at + 2, true) << 16
                      : U16(at, false) << 16 | U16(at + 2, false);
    }

  private:
    const unsigned char* d_;
    std::size_t n_;
};

// The orientation tag of the first directory of the TIFF structure at `tiff`, before `end`.
int TiffOrientation(const Bytes& b, std::size_t tiff, std::size_t end) {
    if (b.Starts(tiff, "Exif\0\0", 6)) tiff += 6;
    if (!b.Has(tiff, 8) || tiff + 8 > end) return 1;
    const bool little = b.Starts(tiff, "II", 2);
    if (!little && !b.Starts(tiff, "MM", 2)) return 1;
    const std::size_t ifd = tiff + b.U32(tiff + 4, little);
    if (ifd < tiff || ifd + 2 > end) return 1;
    const std::uint32_t count = b.U16(ifd, little);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (entry + 12 > end) break;
        if (b.U16(entry, little) == 0x0112 && b.U16(entry + 2, little) == 3) {
            const std::uint32_t value = b.U16(entry + 8, little);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

int Orientation(const QByteArray& head) {
    const Bytes b(head);
    if (b.Starts(0, "\x89PNG\r\n\x1a\n", 8)) {
        for (std::size_t at = 8; b.Has(at, 12);) {
            const std::size_t length = b.U32(at, false);
            if (b.Starts(at + 4, "IDAT", 4) || !b.Has(at + 8, length)) return 1;
            if (b.Starts(at + 4, "eXIf", 4)) return TiffOrientation(b, at + 8, at + 8 + length);
            at += 12 + length;
        }
    } else if (b.Starts(0, "RIFF", 4) && b.Starts(8, "WEBP", 4)) {
        for (std::size_t at = 12; b.Has(at, 8);) {
            const std::size_t length = b.U32(at + 4, true);
            if (!b.Has(at + 8, length)) return 1;
            if (b.Starts(at, "EXIF", 4)) return TiffOrientation(b, at + 8, at + 8 + length);
            at += 8 + length + (length & 1);
        }
    }
    return 1;
}

} // namespace

QImageIOHandler::Transformations ContainerOrientation(const QByteArray& head) {
    using T = QImageIOHandler;
    static const T::Transformation byOrientation[] = {
        T::TransformationNone,          T::TransformationNone,
        T::TransformationMirror,        T::TransformationRotate180,
        T::TransformationFlip,          T::TransformationFlipAndRotate90,
        T::TransformationRotate90,      T::TransformationMirrorAndRotate90,
        T::TransformationRotate270};
    return byOrientation[Orientation(head)];
}

QImage Turned(const QImage& image, QImageIOHandler::Transformations t) {
    QImage out = image.mirrored(t.testFlag(QImageIOHandler::TransformationMirror),
                                t.testFlag(QImageIOHandler::TransformationFlip));
    if (t.testFlag(QImageIOHandler::TransformationRotate90))
        out = out.transformed(QTransform().rotate(90));
    return out;
}

} // namespace platform::qt
