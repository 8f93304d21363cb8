#pragma once
// The Exif orientation of formats whose Qt reader does not apply it: a PNG's eXIf chunk and a
// WebP file's EXIF chunk.
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>

namespace platform::qt {

// The turning the Exif block of the PNG or WebP file starting with `head` asks for; none
// when there is no such block before the pixels.
QImageIOHandler::Transformations ContainerOrientation(const QByteArray& head);

// `image` turned by `t`: mirrored and flipped first, then turned a quarter clockwise.
QImage Turned(const QImage& image, QImageIOHandler::Transformations t);

} // namespace platform::qt
