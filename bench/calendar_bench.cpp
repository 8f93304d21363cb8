// Times the day row and the clock drawn over pixels that changed since the last frame (as at
// every mark of a show with photos), on frames of growing size and density, with large text
// kept drawn (as the saver draws it) and, as the peer, drawn through Qt every time. Prints the
// median CPU time (this thread) of 25 drawings, in ms, and the PSNR between the two frames, for
// BENCHMARKS.md; not a test.
//   lumora_calendar_bench
#include <QApplication>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_surface.h"
#include "platform/services.h"
#include "saver/compose.h"

namespace {

double ThreadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

} // namespace

int main(int, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    platform::ScopedServices native(platform::NativeServices());
    const struct {
        int W, H;
        double Dpi;
    } sizes[] = {{1920, 1080, 96}, {3840, 2160, 192}, {3840, 2160, 240},
                 {7680, 4320, 288}, {7680, 4320, 384}};
    std::printf("| frame | dpi | text kept (ms) | drawn every time (ms) | PSNR |\n"
                "|---|---:|---:|---:|---:|\n");
    for (const auto& s : sizes) {
        const platform::Monitor monitor{0, 0, {s.W, s.H}, s.Dpi};
        auto time = [&](bool keep, std::unique_ptr<platform::Surface>& canvas) {
            platform::qt::KeepDrawnText(keep);
            canvas = platform::Current().drawing->CreateSurface(s.W, s.H);
            std::vector<double> times;
            for (int run = 0; run < 26; ++run) {
                // A new grey under the row each time, so no earlier frame's drawing can serve.
                const int shade = 20 + run * 3;
                canvas->Dc().Fill({0, s.H / 2, s.W, s.H}, platform::Rgb(shade, shade, shade));
                const double start = ThreadMs();
                basComon::DrawCalendarOver(*canvas, monitor);
                if (run > 0) times.push_back(ThreadMs() - start);
            }
            std::sort(times.begin(), times.end());
            return times[times.size() / 2];
        };
        std::unique_ptr<platform::Surface> kept, drawn;
        const double keptMs = time(true, kept);
        const double drawnMs = time(false, drawn);
        const QImage& a = platform::qt::ImageOf(*kept);
        const QImage& b = platform::qt::ImageOf(*drawn);
        double squares = 0;
        for (int y = 0; y < s.H; ++y) {
            const QRgb* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
            const QRgb* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
            for (int x = 0; x < s.W; ++x) {
                const int d[] = {qRed(p[x]) - qRed(q[x]), qGreen(p[x]) - qGreen(q[x]),
                                 qBlue(p[x]) - qBlue(q[x])};
                for (int v : d) squares += v * v;
            }
        }
        const double mse = squares / (3.0 * s.W * s.H);
        std::printf("| %dx%d | %.0f | %.2f | %.2f | %s |\n", s.W, s.H, s.Dpi, keptMs, drawnMs,
                    mse == 0 ? "identical"
                             : (std::to_string(10 * std::log10(255.0 * 255.0 / mse)) + " dB").c_str());
    }
    return 0;
}
