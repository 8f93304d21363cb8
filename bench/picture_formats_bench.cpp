// CPU time of drawing each picture given fitted into a 1920x1080 canvas (load, decode, fit,
// colour conversion), and of converting a 1920x1080 frame from a colour profile to sRGB with
// the program's conversion beside Qt's own (QImage::convertToColorSpace, matrix/curve only).
//
//   lumora_picture_formats_bench [--runs N] [--profile ICC] PICTURE...
#include <QColorSpace>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/qt/colour.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/qt_surface.h"

namespace {

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename F> double Median(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = CpuMs();
        f();
        times.push_back(CpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int runs = 5;
    std::string profile;
    std::vector<std::string> pictures;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--profile") && i + 1 < argc)
            profile = argv[++i];
        else
            pictures.push_back(argv[i]);
    }
    auto canvas = platform::qt::DrawingService().CreateSurface(1920, 1080);
    platform::Surface& surface = *canvas;
    std::printf("%-40s %12s\n", "picture into 1920x1080", "CPU ms");
    for (const std::string& path : pictures) {
        bool drawn = false;
        const double ms = Median(runs, [&] {
            auto picture = platform::qt::PicturesService().Load(path);
            if (!picture) return;
            const double s = std::min(1920.0 / picture->Width(), 1080.0 / picture->Height());
            const int w = std::max(1, int(picture->Width() * s));
            const int h = std::max(1, int(picture->Height() * s));
            const platform::Rect r{(1920 - w) / 2, (1080 - h) / 2, (1920 - w) / 2 + w,
                                   (1080 - h) / 2 + h};
            drawn = picture->DrawScaled(surface, r);
        });
        std::printf("%-40s %12.1f%s\n", path.c_str(), ms, drawn ? "" : "  (not drawn)");
    }
    if (profile.empty()) return 0;
    QFile file(QString::fromStdString(profile));
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray icc = file.readAll();
    QImage frame(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(x & 255, y & 255, (x + y) & 255));
    platform::qt::PictureColour colour;
    colour.icc = icc.toStdString();
    std::printf("\n%-40s %12s\n", "1920x1080 frame to sRGB", "CPU ms");
    std::printf("%-40s %12.1f\n", "this program (matrix/curve tables)",
                Median(runs, [&] { platform::qt::ConvertToSrgb(colour, frame, frame.rect()); }));
    cmsHPROFILE from = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(from, TYPE_BGRA_8, srgb, TYPE_BGRA_8, INTENT_PERCEPTUAL, 0);
    if (transform)
        std::printf("%-40s %12.1f\n", "Little CMS 2 (cmsDoTransform)", Median(runs, [&] {
                        for (int y = 0; y < frame.height(); ++y)
                            cmsDoTransform(transform, frame.scanLine(y), frame.scanLine(y),
                                           cmsUInt32Number(frame.width()));
                    }));
    const QColorSpace space = QColorSpace::fromIccProfile(icc);
    QImage copy = frame;
    copy.setColorSpace(space);
    std::printf("%-40s %12.1f\n", "QImage::convertToColorSpace",
                space.isValid() ? Median(runs, [&] {
                    copy.convertToColorSpace(QColorSpace::SRgb);
                    copy.setColorSpace(space);
                })
                                : -1.0);
    return 0;
}
