#include "compose.h"

#include <cmath>

#include "calendar/calendar.h"
#include "platform/services.h"

namespace basComon {
namespace {

// The nearest whole number, halves to the even neighbour; the default rounding mode does that.
int Nearest(double value) {
    return static_cast<int>(std::nearbyint(value));
}

void ClearToBlack(platform::Surface& canvas) {
    canvas.Dc().Fill({0, 0, canvas.Width(), canvas.Height()}, platform::Rgb(0, 0, 0));
}

// Runs one step of the composition; a step that fails is dropped and the frame goes on.
template <typename Step> void Attempt(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

double DisplayScale(double dpi) {
    return dpi > 96 ? dpi / 96 : 1;
}

platform::Rect FitPicture(int pw, int ph, int W, int H, int CW, int CH, double scale) {
    int left = 0, top = 0, w = pw, h = ph;
    // Enlarged by the scale unless that would pass an edge of the screen: then fitted to it.
    const bool enlarged = scale > 1 && pw > 0 && ph > 0 && pw <= W && ph <= H &&
                          (Nearest(pw * scale) > pw || Nearest(ph * scale) > ph);
    if (enlarged && Nearest(pw * scale) <= W && Nearest(ph * scale) <= H) {
        w = Nearest(pw * scale);
        h = Nearest(ph * scale);
        left = (W - w) / 2;
        top = (H - h) / 2;
    } else if (pw > W || ph > H || enlarged) {
        if (pw > W || enlarged) {
            w = W;
            h = Nearest(ph * (static_cast<double>(W) / pw));
            if (h > H) {
                w = Nearest(pw * (static_cast<double>(H) / ph));
                h = H;
            }
        } else {
            w = Nearest(pw * (static_cast<double>(H) / ph));
            h = H;
        }
        left = (W - w) / 2;
        top = (H - h) / 2;
    } else {
        left = (CW - pw) / 2;
        top = (CH - ph) / 2;
    }
    return {left, top, left + w, top + h};
}

platform::Rect TileArea(int tile, platform::Size screen) {
    const int W = screen.Width > 0 ? screen.Width : 0;
    const int H = screen.Height > 0 ? screen.Height : 0;
    const int column = (tile - 1) % 8;
    const int row = (tile - 1) / 8;
    const int left = column * (W / 8);
    const int top = row * (H / 6);
    const int right = column == 7 ? W : left + W / 8;
    const int bottom = row == 5 ? H : top + H / 6;
    return {left, top, right, bottom};
}

void PreparePicture(platform::Surface& canvas, const std::string& picturePath,
                    platform::Size screen, std::unique_ptr<platform::Picture>& loader,
                    const platform::StopFlag* stop, double dpi) {
    ClearToBlack(canvas);
    // The previous picture goes first, so that two decoded pictures never live at once.
    loader.reset();
    if (picturePath.empty()) return;
    Attempt([&] {
        const std::string path = platform::Current().process->ResolvePathCase(picturePath);
        loader = platform::Current().pictures->Load(path);
    });
    if (!loader || loader->Width() <= 0 || loader->Height() <= 0 || screen.Width <= 0 ||
        screen.Height <= 0)
        return;
    const platform::Rect dest =
        FitPicture(loader->Width(), loader->Height(), screen.Width, screen.Height, canvas.Width(),
                   canvas.Height(), DisplayScale(dpi));
    bool drawn = false;
    Attempt([&] { drawn = loader->DrawScaled(canvas, dest, stop); });
    // A decoder that gave up part way (damaged or cut-off data) may have left some rows.
    if (!drawn) Attempt([&] { canvas.Dc().Fill(dest, platform::Rgb(0, 0, 0)); });
}

void DrawCalendarOver(platform::Surface& canvas) {
    Attempt([&] { DrawCalendar(canvas.Dc()); });
}

void DrawCalendarOver(platform::Surface& canvas, const platform::Monitor& monitor) {
    Attempt([&] { DrawCalendar(canvas.Dc(), monitor.Area, monitor.Dpi); });
}

void ComposeFrame(platform::Surface& canvas, const std::string& picturePath, platform::Size screen,
                  std::unique_ptr<platform::Picture>& loader) {
    double dpi = 96;
    Attempt([&] {
        if (platform::Current().screen) dpi = platform::Current().screen->Dpi();
    });
    PreparePicture(canvas, picturePath, screen, loader, nullptr, dpi);
    DrawCalendarOver(canvas);
}

void ComposeFrame(platform::Surface& canvas, const std::string& picturePath,
                  platform::Size screen) {
    std::unique_ptr<platform::Picture> loader;
    ComposeFrame(canvas, picturePath, screen, loader);
}

void ComposeMonitorFrame(platform::Surface& canvas, const std::string& picturePath,
                         const platform::Monitor& monitor) {
    std::unique_ptr<platform::Picture> loader;
    PreparePicture(canvas, picturePath, monitor.Area, loader, nullptr, monitor.Dpi);
    DrawCalendarOver(canvas, monitor);
}

} // namespace basComon
