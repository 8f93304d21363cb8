#pragma once
// JPEG decoding straight into the canvas with libjpeg: decoded at the smallest of the scales
// 1/8, 1/4, 1/2 and 1/1 that still covers the destination, as 32-bit pixels, and averaged down
// row by row on the way.
#include <QImage>

#include <string>
#include <QImageIOHandler>
#include <QRect>
#include <QString>

#include <string>

#include "platform/pictures.h"

namespace platform::qt {

enum class JpegResult {
    Drawn,
    Refused,    // damaged, cut off, over a limit, or stopped: nothing more to try
    NotHandled, // a kind this reader leaves to Qt's (CMYK, YCCK, unusual components)
};

// Draws the JPEG file at `path`, stored as `stored` and turned upright by `transformation`,
// into `area` of `canvas` (Format_RGB32, `area` inside it). Buffers are kept per thread. The
// colour profile its APP2 segments carry, joined in order, is put in `icc` (empty without one).
JpegResult DrawJpeg(const QString& path, QSize stored,
                    QImageIOHandler::Transformations transformation, QImage& canvas,
                    const QRect& area, const StopFlag* stop, std::string& icc);

} // namespace platform::qt
