#pragma once
// Access to the image behind a Qt surface, for the parts of the Qt platform that draw on it.
#include <QImage>

#include "platform/drawing.h"

namespace platform::qt {

// The image a surface made by DrawingService() keeps (Format_RGB32).
QImage& ImageOf(Surface& surface);

} // namespace platform::qt
