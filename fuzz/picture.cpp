// Any bytes as a picture file, loaded by the Linux picture service and drawn into a frame of any
// canvas size, the way the saver and `lumora-tool frame` compose one.
//
// Input: byte 0 picks the file's extension (bits 0-1 and 5: jpg, bmp, png, gif, webp, heic,
// avif, tif) and the canvas (bits 2-3: bytes 1 and 2 as width and height, 0 x 0, 1 x 1, or
// 1 x 100000; bit 4: the screen the picture is fitted to is bytes 1 and 2 rather than the
// canvas); the rest is the file.
//
// What must hold: nothing crashes or reads out of bounds, the canvas keeps its size, and a
// picture that cannot be drawn leaves its place black.
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "fakes/fakes.h"
#include "platform/qt/qt_services.h"
#include "saver/compose.h"
#include "saver/watched_pictures.h"
#include "settings/settings.h"
#include "temporary_file.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// Fonts and painting need an application object; no display is used.
void StartQt() {
    static QGuiApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // The decoders' complaints about damaged files are expected here.
        setenv("QT_LOGGING_RULES", "qt.gui.imageio*=false", 1);
        static int argc = 1;
        static char name[] = "fuzz_picture";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)application;
}

// A canvas with no area may report itself as 0 x 0.
bool KeepsSize(platform::Surface& canvas, platform::Size size) {
    if (size.Width == 0 || size.Height == 0) return canvas.Width() * canvas.Height() == 0;
    return canvas.Width() == size.Width && canvas.Height() == size.Height;
}

bool AllBlack(platform::Surface& canvas) {
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.PixelAt(x, y) != platform::Rgb(0, 0, 0)) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    StartQt();
    static fakes::FakeClock clock;
    static fakes::FakeScreen screen;
    static basComon::WatchedPictures pictures(platform::qt::PicturesService());
    static platform::ScopedServices services([] {
        platform::Services s;
        s.process = &platform::qt::ProcessService();
        s.text = &platform::qt::TextService();
        s.drawing = &platform::qt::DrawingService();
        s.pictures = &pictures;
        s.clock = &clock;
        s.screen = &screen;
        return s;
    }());

    static const char* const extensions[] = {"jpg", "bmp", "png", "gif", "webp", "heic", "avif",
                                             "tif"};
    const std::string path = fuzz::TemporaryFolder() + "/picture." +
                             extensions[(data[0] & 3) | ((data[0] >> 3) & 4)];
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 3), static_cast<std::streamsize>(size - 3));
        Require(static_cast<bool>(out.flush()));
    }

    const platform::Size fromInput{data[1], data[2]};
    platform::Size canvasSize = fromInput;
    switch ((data[0] >> 2) & 3) {
    case 1:
        canvasSize = {0, 0};
        break;
    case 2:
        canvasSize = {1, 1};
        break;
    case 3:
        canvasSize = {1, 100000};
        break;
    default:
        break;
    }
    const platform::Size fitTo = (data[0] & 0x10) ? fromInput : canvasSize;
    screen.size = fitTo;

    auto canvas = platform::qt::DrawingService().CreateSurface(canvasSize.Width, canvasSize.Height);
    Require(canvas && KeepsSize(*canvas, canvasSize));

    // The picture part alone first: a picture that cannot be drawn leaves the canvas black.
    pictures.drawn = false;
    std::unique_ptr<platform::Picture> loader;
    basComon::PreparePicture(*canvas, path, fitTo, loader, nullptr);
    if (!pictures.drawn && canvasSize.Width * std::int64_t(canvasSize.Height) <= 65536)
        Require(AllBlack(*canvas));

    // Then the whole frame, calendar and clock over the picture.
    basComon::ComposeFrame(*canvas, path, fitTo, loader);
    Require(KeepsSize(*canvas, canvasSize));
    return 0;
}
