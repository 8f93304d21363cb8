#pragma once
// HEIC, HEIF and AVIF pictures through libheif: the primary picture, turned upright by the
// file's own rotation and mirroring, in its own colours.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

#include "colour.h"
#include "platform/pictures.h"

namespace platform::qt {

// What decoding a HEIF picture may take: its coded planes, the decoder's reference copy and the
// converted pixels are all whole-picture sized, which for a 48-megapixel phone photo is more
// than the budget of other formats. Every picture is checked against it from its declared size
// before anything is decoded.
constexpr std::uint64_t MaxHeifDecodeBytes = std::uint64_t(512) << 20;
// Bytes a pixel counted against that budget: 3 or 4 converted, 1.5 coded, 1.5 for the decoder,
// and room for its working rows (a 48-megapixel photo, 8064 x 6048, fits).
constexpr std::uint64_t HeifBytesPerPixel = 9;

// Whether the file's first bytes open an ISO media file of a HEIF or AVIF brand.
bool LooksLikeHeif(const QByteArray& head);

struct HeifInfo {
    QSize size; // upright; empty when the file is refused
    PictureColour colour;
};

// The primary picture's upright size and colours; an empty size when the file is damaged, over
// the budget or libheif's own limits.
HeifInfo ReadHeifInfo(const QString& path);

// The primary picture decoded whole and upright (Format_RGB888, or Format_RGBA8888 with alpha);
// null when decoding fails, the picture is no longer `size`, or `stop` (if given) is set. libheif
// cannot be stopped mid-decode: with `stop`, the decoding runs on a thread of its own that is
// left to finish by itself when `stop` is set, so that the show that asked can end at once.
QImage DecodeHeif(const QString& path, QSize size, const StopFlag* stop);

} // namespace platform::qt
