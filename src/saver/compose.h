#pragma once
#include <memory>
#include <string>

#include "platform/drawing.h"
#include "platform/pictures.h"
#include "platform/screen.h"

namespace basComon {

// Where a pw x ph picture goes on a canvas of CW x CH for a screen of W x H: scaled down to fit
// the screen when it is larger in either direction, centred. A smaller picture is enlarged by
// the display's `scale` (dpi / 96; nothing below 1) or less if the screen ends first, so that it
// is shown no smaller in physical size than at 96 dpi, and centred on the screen; at a scale of
// 1 it keeps its size and is centred on the canvas. The rectangle's Right and Bottom are
// Left + width and Top + height.
platform::Rect FitPicture(int pw, int ph, int W, int H, int CW, int CH, double scale = 1);
// The scale a display of `dpi` dots per inch asks for pictures, at least 1.
double DisplayScale(double dpi);

// Tile `tile` (1 to 48, row by row in a grid of 8 columns and 6 rows) of a `screen`: width \ 8
// by height \ 6, the last column and the last row also taking what the division leaves, so
// that the 48 tiles cover every pixel. Right and Bottom are Left + width and Top + height.
platform::Rect TileArea(int tile, platform::Size screen);

// The picture part of a frame on `canvas`: clears it to black and draws the picture at
// `picturePath` (none when empty) fitted to `screen`. A picture that cannot be opened or drawn
// leaves the canvas black; nothing thrown below here escapes. `stop` (may be null) ends a
// drawing in progress early. `loader` holds the picture afterwards (null when there was none).
// `dpi` is the screen's density (FitPicture's scale).
void PreparePicture(platform::Surface& canvas, const std::string& picturePath,
                    platform::Size screen, std::unique_ptr<platform::Picture>& loader,
                    const platform::StopFlag* stop, double dpi = 96);

// The day row and the clock over whatever `canvas` holds; a failure is dropped.
void DrawCalendarOver(platform::Surface& canvas);
// The same sized for `monitor` (its width and density) instead of the primary screen.
void DrawCalendarOver(platform::Surface& canvas, const platform::Monitor& monitor);

// Composes one frame on `canvas`: clears it to black, draws the picture at `picturePath`
// (none when empty) fitted to `screen` at the primary screen's density, then the calendar and the clock over it. A picture that
// cannot be opened or drawn leaves the canvas black; nothing thrown below here escapes.
// `loader` holds the picture afterwards (null when there was none).
void ComposeFrame(platform::Surface& canvas, const std::string& picturePath, platform::Size screen,
                  std::unique_ptr<platform::Picture>& loader);
void ComposeFrame(platform::Surface& canvas, const std::string& picturePath, platform::Size screen);
// The frame of one monitor: the picture fitted to its size, the day row and the clock sized
// for its width and density.
void ComposeMonitorFrame(platform::Surface& canvas, const std::string& picturePath,
                         const platform::Monitor& monitor);

} // namespace basComon
