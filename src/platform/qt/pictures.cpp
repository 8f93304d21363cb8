#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "raster/area_filter.h"
#include "raster/enlarger.h"
#include "colour.h"
#include "heif_reader.h"
#include "jpeg_reader.h"
#include "orientation.h"
#include "qt_services.h"
#include "qt_surface.h"

namespace platform::qt {
namespace {

constexpr std::int64_t MaxPixels = 100'000'000;
constexpr int MaxSide = 32767;
// The bytes read ahead of decoding to tell the format; for PNG and WebP, whose profile and Exif
// block come before the pixels, up to HeadBytesWithProfile.
constexpr qint64 HeadBytes = 64 << 10;
constexpr qint64 HeadBytesWithProfile = 1 << 20;

bool Rotates(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

// Megabytes an image of `pixels` 32-bit pixels takes, with room for the decoder's own rows.
int AllocationLimitFor(std::int64_t pixels) {
    const std::int64_t megabytes = ((pixels * 4 + (1 << 20) - 1) >> 20) + 4;
    return static_cast<int>(std::min<std::int64_t>(megabytes, MaxDecodeBytes >> 20));
}

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// A plain (uncompressed) BMP shorter than its rows would be decoded into an image of the full
// claimed size; such a file is refused from its header and length alone.
bool BmpShorterThanItsRows(QFile& file) {
    unsigned char h[34];
    if (file.read(reinterpret_cast<char*>(h), sizeof h) != sizeof h) return false;
    if (h[0] != 'B' || h[1] != 'M') return false;
    const std::uint32_t offset = Le32(h + 10);
    const std::uint32_t infoSize = Le32(h + 14);
    if (infoSize < 40) return false;
    const std::int64_t width = static_cast<std::int32_t>(Le32(h + 18));
    const std::int64_t height =
        std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(Le32(h + 22))));
    const int bits = h[28] | (h[29] << 8);
    const std::uint32_t compression = Le32(h + 30);
    if (compression != 0 && compression != 3) return false; // RLE and others: no fixed length
    if (width <= 0 || bits <= 0 || height == 0) return false;
    const std::uint64_t stride = (std::uint64_t(width) * std::uint64_t(bits) + 31) / 32 * 4;
    const std::uint64_t size = static_cast<std::uint64_t>(file.size());
    if (offset > size) return true;
    // stride * height > size - offset, without the product (it may not fit in 64 bits).
    return stride > (size - offset) / std::uint64_t(height);
}

// Formats other than JPEG are decoded at their full size, 4 bytes a pixel.
bool OverBudget(const QByteArray& format, QSize size) {
    return format != "jpeg" &&
           std::uint64_t(size.width()) * std::uint64_t(size.height()) * 4 > MaxDecodeBytes;
}

// The largest 32-bit copy of a decoded picture of fewer bits a pixel that is made for scaling
// it; beyond it, its rows are converted one at a time.
constexpr std::uint64_t MaxConvertedCopyBytes = std::uint64_t(64) << 20;

bool Shrinks(QSize from, QSize to) {
    return to.width() <= from.width() && to.height() <= from.height();
}

// `picture` (of fewer than 32 bits a pixel) averaged down to `size` as RGB32, converting a strip
// of rows at a time, so that no 32-bit copy of the whole picture is made. As with a picture
// scaled whole, fully transparent parts are black and partly transparent ones keep their colour.
QImage AveragedByRows(const QImage& picture, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) return out;
    thread_local raster::AreaFilter filter;
    filter.Start(picture.width(), picture.height(), size.width(), size.height(),
                 [&out](int y, const std::uint32_t* row) {
                     std::memcpy(out.scanLine(y), row, std::size_t(out.width()) * 4);
                 });
    // Strips of about 4 MiB once converted.
    const int stripRows = std::max(1, int((4 << 20) / (std::int64_t(picture.width()) * 4)));
    for (int top = 0; top < picture.height(); top += stripRows) {
        const int rows = std::min(stripRows, picture.height() - top);
        // A view of the strip inside the picture (no copy), then converted to 32 bits.
        QImage strip(picture.constScanLine(top), picture.width(), rows, picture.bytesPerLine(),
                     picture.format());
        if (!picture.colorTable().isEmpty()) strip.setColorTable(picture.colorTable());
        if (strip.hasAlphaChannel())
            strip = strip.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        strip = strip.convertToFormat(QImage::Format_RGB32);
        if (strip.isNull()) return QImage();
        for (int y = 0; y < rows; ++y)
            filter.AddRow(strip.constScanLine(y));
    }
    return out;
}

// `picture` (RGB32) enlarged to `size`, neither side smaller, by the same interpolation as the
// JPEG reader's.
QImage Enlarged(const QImage& picture, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) return out;
    raster::Enlarger enlarger;
    enlarger.Start(picture.width(), picture.height(), size.width(), size.height(),
                   [&out](int y, const std::uint32_t* row) {
                       std::memcpy(out.scanLine(y), row, std::size_t(out.width()) * 4);
                   });
    for (int y = 0; y < picture.height(); ++y)
        enlarger.AddRow(picture.constScanLine(y));
    return out;
}

class QtPicture final : public Picture {
  public:
    QtPicture(QString path, QByteArray format, QSize stored,
              QImageIOHandler::Transformations transformation, PictureColour colour,
              QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone)
        : path_(std::move(path)), format_(std::move(format)), stored_(stored),
          transformation_(transformation), colour_(std::move(colour)), turn_(turn) {}

    int Width() const override {
        return Rotates(transformation_) != Rotates(turn_) ? stored_.height() : stored_.width();
    }
    int Height() const override {
        return Rotates(transformation_) != Rotates(turn_) ? stored_.width() : stored_.height();
    }

    bool DrawScaled(Surface& target, const Rect& dest, const StopFlag* stop) override {
        if (dest.Width() <= 0 || dest.Height() <= 0) return true;
        QImage& canvas = ImageOf(target);
        const QRect area(dest.Left, dest.Top, dest.Width(), dest.Height());
        PictureColour colour = colour_;
        if (format_ == "jpeg") {
            switch (DrawJpeg(path_, stored_, transformation_, canvas, area, stop, colour.icc)) {
            case JpegResult::Drawn:
                ConvertToSrgb(colour, canvas, area);
                return true;
            case JpegResult::Refused:
                return false;
            case JpegResult::NotHandled:
                break;
            }
        }
        // A view of the destination inside the canvas: a decoder that yields this very size
        // and format writes its rows straight there, saving an image and a copy.
        // (Qt's TIFF reader writes whole rows, whatever the image's row length.)
        QImage view;
        if (canvas.format() == QImage::Format_RGB32 && canvas.rect().contains(area) &&
            format_ != "tiff" && turn_ == QImageIOHandler::TransformationNone)
            view = QImage(canvas.bits() + area.top() * canvas.bytesPerLine() + area.left() * 4,
                          area.width(), area.height(), canvas.bytesPerLine(), QImage::Format_RGB32);
        const uchar* viewBits = view.constBits();
        if (!Decode(area.size(), view, colour, stop)) return false;
        if (!viewBits || view.constBits() != viewBits) {
            QPainter painter(&canvas);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(area.topLeft(), view);
        }
        // The colours are converted once the picture has its drawn size.
        ConvertToSrgb(colour, canvas, area);
        return true;
    }

  private:
    // The picture upright at exactly `size` in `image` (RGB32), decoded no larger than it needs
    // to be. `image` is used as it is when the decoder's output fits it. A profile the decoder
    // found, when none was read from the file, is put in `colour`.
    bool Decode(QSize size, QImage& image, PictureColour& colour, const StopFlag* stop) const {
        if (format_ == "heif") {
            image = DecodeHeif(path_, stored_, stop);
            return !image.isNull() && Fit(size, image);
        }
        QImageReader reader(path_, format_);
        reader.setAutoTransform(true);
        // The decoder applies the orientation after decoding, so it is asked for the size
        // in the file's own orientation.
        const QSize storedTarget = Rotates(transformation_) ? size.transposed() : size;
        std::int64_t pixels = std::int64_t(stored_.width()) * stored_.height();
        const bool shrinking =
            storedTarget.width() < stored_.width() || storedTarget.height() < stored_.height();
        // Only JPEG decodes at a reduced size; other decoders that take a size decode the
        // whole picture first, so the allocation limit stays the full size's.
        if (shrinking && format_ == "jpeg" && reader.supportsOption(QImageIOHandler::ScaledSize)) {
            // JPEG decodes straight to a reduced size (1/8 steps of the DCT), at least as large
            // as asked; the decoder then averages down to the exact size when its quality
            // setting is high.
            reader.setScaledSize(storedTarget);
            reader.setQuality(100);
            const double f = std::min(double(stored_.width()) / storedTarget.width(),
                                      double(stored_.height()) / storedTarget.height());
            const int eighths = std::clamp(static_cast<int>(std::ceil(8 / f)), 1, 8);
            pixels = std::int64_t(stored_.width() * eighths / 8 + 1) *
                     (stored_.height() * eighths / 8 + 1);
        }
        reader.setAllocationLimit(AllocationLimitFor(pixels));
        if (!reader.read(&image) || image.isNull()) return false;
        // A TIFF's profile as its reader found it (other readers also make one from a PNG's
        // gamma alone, which is drawn as it always was).
        if (format_ == "tiff" && !colour.HasProfile() && image.colorSpace().isValid())
            colour.icc = image.colorSpace().iccProfile().toStdString();
        if (turn_ == QImageIOHandler::TransformationNone) return Fit(size, image);
        // Turned by the file's Exif block once fitted, at the drawn size.
        if (!Fit(Rotates(turn_) ? size.transposed() : size, image)) return false;
        image = Turned(image, turn_);
        return !image.isNull();
    }

    // `image` at exactly `size`, as RGB32.
    static bool Fit(QSize size, QImage& image) {
        if (image.size() != size && size.width() >= image.width() &&
            size.height() >= image.height()) {
            if (!Opaque(image)) return false;
            image = Enlarged(image, size);
            return !image.isNull();
        }
        if (image.size() != size) {
            if ((image.depth() < 32 || image.format() == QImage::Format_RGBA8888) &&
                Shrinks(image.size(), size) &&
                std::uint64_t(image.width()) * std::uint64_t(image.height()) * 4 >
                    MaxConvertedCopyBytes) {
                image = AveragedByRows(image, size);
                return !image.isNull();
            }
            // Scaling works on 32-bit pixels; a picture with a separate alpha channel is
            // premultiplied in place first, so the scaler makes no full-size copy of it.
            if (image.format() == QImage::Format_ARGB32)
                image.convertTo(QImage::Format_ARGB32_Premultiplied);
            image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        return Opaque(image);
    }

    // `image` as RGB32. Transparent parts show the black of the canvas, as they would on any
    // dark page.
    static bool Opaque(QImage& image) {
        if (image.hasAlphaChannel())
            image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.format() != QImage::Format_RGB32)
            image = image.convertToFormat(QImage::Format_RGB32);
        return !image.isNull();
    }

    QString path_;
    QByteArray format_;
    QSize stored_;
    QImageIOHandler::Transformations transformation_;
    PictureColour colour_;
    QImageIOHandler::Transformations turn_; // applied here, the decoder not knowing it
};

class QtPictures final : public Pictures {
  public:
    std::unique_ptr<Picture> Load(const std::string& path) override {
        const QString file = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
        const QFileInfo info(file);
        if (!info.isFile() || info.size() == 0) return nullptr;
        QFile device(file);
        if (!device.open(QIODevice::ReadOnly)) return nullptr;
        if (BmpShorterThanItsRows(device)) return nullptr;
        device.seek(0);
        // The decoder is chosen from the file's first bytes, whatever its name says.
        QByteArray head = device.read(HeadBytes);
        if (head.startsWith("\x89PNG") || head.startsWith("RIFF"))
            head += device.read(HeadBytesWithProfile - head.size());
        if (LooksLikeHeif(head)) {
            HeifInfo heif = ReadHeifInfo(file);
            if (heif.size.isEmpty()) return nullptr;
            return std::make_unique<QtPicture>(file, "heif", heif.size,
                                               QImageIOHandler::TransformationNone,
                                               std::move(heif.colour));
        }
        PictureColour colour;
        colour.icc = ContainerIccProfile(head);
        device.seek(0);

        QImageReader reader(&device);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        if (!reader.canRead()) return nullptr;
        // The BMP reader reports the height of a file stored top down as negative.
        const QSize claimed = reader.size();
        const QSize size(std::abs(claimed.width()), std::abs(claimed.height()));
        if (!size.isValid() || size.isEmpty()) return nullptr;
        if (size.width() > MaxSide || size.height() > MaxSide ||
            std::int64_t(size.width()) * size.height() > MaxPixels || OverBudget(reader.format(), size))
            return nullptr;
        // An orientation the decoder does not apply itself (PNG, WebP) is applied here.
        QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone;
        if (reader.transformation() == QImageIOHandler::TransformationNone)
            turn = ContainerOrientation(head);
        return std::make_unique<QtPicture>(file, reader.format(), size, reader.transformation(),
                                           std::move(colour), turn);
    }
};

} // namespace

Pictures& PicturesService() {
    static QtPictures pictures;
    return pictures;
}

} // namespace platform::qt
