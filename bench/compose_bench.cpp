// Times the composition of one frame (clear, load, fit, draw, calendar; 1920x1080 unless
// --screen says otherwise) from each picture given, side by side in the same run with the
// earlier decoding through Qt's image reader, the same libjpeg decode at the same reduced scale
// in this process (the floor: the file read, decoded to 32-bit rows, nothing else), libjpeg-turbo's
// djpeg in a process of its own, libvips' vipsthumbnail and ImageMagick; states how far the new
// frame's pixels are from the earlier one's (PSNR).
//
//   lumora_bench [--runs N] [--screen WxH] PICTURE...   the table, one line per picture
//   lumora_bench --peak-rss new|old PICTURE     one composition; prints the peak RSS in KiB
//   lumora_bench --monitors [--runs N] PICTURE... the pictures of a 1920x1080 and a 3840x2160
//                                                monitor made together, against each alone
#include <QApplication>
#include <QImageReader>
#include <QPainter>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/qt/qt_surface.h"
#include "platform/services.h"
#include "saver/compose.h"
#include "saver/prepare.h"

extern char** environ;

namespace {

platform::Size ScreenSize{1920, 1080};

class FixedScreen : public platform::Screen {
  public:
    platform::Size PrimarySize() override { return ScreenSize; }
    double Dpi() override { return 96; }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU time of the last program run by Spawn (user + system), in ms.
double childCpuMs = 0;

// Median CPU time of `runs` calls after one warm-up: this process's own, plus that of the
// programs the work ran. CPU time, not wall time, because the machine is shared with other
// work that makes wall times swing.
template <typename Work> double Time(int runs, Work&& work) {
    work();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        childCpuMs = 0;
        const double start = ProcessCpuMs();
        work();
        ms.push_back(ProcessCpuMs() - start + childCpuMs);
    }
    return Median(ms);
}

// Runs a program without a shell, its output thrown away; true when it exits with 0.
bool Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    childCpuMs = usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
                 usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The floor: the file read and decoded at 1/`denominator` as the saver's reader decodes it
// (islow DCT, 32-bit rows, 16 at a time), the rows dropped. False when it cannot be decoded.
bool DecodeOnly(const std::string& path, int denominator) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::vector<unsigned char> bytes;
    unsigned char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(denominator);
    cinfo.out_color_space = JCS_EXT_BGRA;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);
    std::vector<unsigned char> rows(std::size_t(cinfo.output_width) * 4 * 16);
    JSAMPROW pointers[16];
    for (int i = 0; i < 16; ++i)
        pointers[i] = rows.data() + std::size_t(cinfo.output_width) * 4 * std::size_t(i);
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, pointers, 16);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// The frame as it was made before: Qt's reader asked for the fitted size (it picks a DCT scale
// of 1/8 to 8/8 and averages down), then drawn onto the canvas.
void OldComposeFrame(platform::Surface& canvas, const std::string& path) {
    QImage& image = platform::qt::ImageOf(canvas);
    image.fill(Qt::black);
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const bool rotates = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize stored = reader.size();
    const QSize upright = rotates ? stored.transposed() : stored;
    const platform::Rect dest =
        basComon::FitPicture(upright.width(), upright.height(), ScreenSize.Width, ScreenSize.Height,
                             image.width(), image.height());
    const QSize size(dest.Width(), dest.Height());
    const QSize storedTarget = rotates ? size.transposed() : size;
    if (storedTarget.width() < stored.width() || storedTarget.height() < stored.height()) {
        reader.setScaledSize(storedTarget);
        reader.setQuality(100);
    }
    QImage picture;
    if (reader.read(&picture)) {
        if (picture.size() != size)
            picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture = picture.convertToFormat(QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(dest.Left, dest.Top, picture);
    }
    basComon::DrawCalendarOver(canvas);
}

void NewComposeFrame(platform::Surface& canvas, const std::string& path) {
    basComon::ComposeFrame(canvas, path, ScreenSize);
}

struct Header {
    int width = 0, height = 0;
    platform::Rect dest;
    int denominator = 1; // the DCT scale the decoder picks: the smallest result that covers
};

Header ReadHeader(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    Header h;
    h.width = reader.size().width();
    h.height = reader.size().height();
    h.dest = basComon::FitPicture(h.width, h.height, ScreenSize.Width, ScreenSize.Height,
                                  ScreenSize.Width, ScreenSize.Height);
    for (int d = 8; d >= 2; d /= 2)
        if ((h.width + d - 1) / d >= h.dest.Width() && (h.height + d - 1) / d >= h.dest.Height()) {
            h.denominator = d;
            break;
        }
    return h;
}

double Psnr(const QImage& a, const QImage& b, const platform::Rect& r) {
    double sum = 0;
    long n = 0;
    for (int y = r.Top; y < r.Bottom; ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = r.Left; x < r.Right; ++x) {
            const int d[3] = {qRed(pa[x]) - qRed(pb[x]), qGreen(pa[x]) - qGreen(pb[x]),
                              qBlue(pa[x]) - qBlue(pb[x])};
            sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            n += 3;
        }
    }
    if (sum == 0) return INFINITY;
    return 10 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

int PeakRss(bool newPath, const std::string& path) {
    auto canvas = platform::Current().drawing->CreateSurface(ScreenSize.Width, ScreenSize.Height);
    if (newPath)
        NewComposeFrame(*canvas, path);
    else
        OldComposeFrame(*canvas, path);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

long PeakRssOfChild(const std::string& which, const std::string& path) {
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string command = "'" + self + "' --screen " + std::to_string(ScreenSize.Width) + "x" +
                                std::to_string(ScreenSize.Height) + " --peak-rss " + which + " '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    long kib = -1;
    if (std::fscanf(pipe, "%ld", &kib) != 1) kib = -1;
    pclose(pipe);
    return kib;
}

// Monitors whose pictures are made at the same time, each by its own preparer, as the show
// makes them.
struct Monitors {
    explicit Monitors(std::vector<platform::Size> sizes) {
        for (const platform::Size& size : sizes) {
            this->sizes.push_back(size);
            canvases.push_back(platform::Current().drawing->CreateSurface(size.Width, size.Height));
            preparers.push_back(std::make_unique<basComon::PicturePreparer>());
        }
    }
    void Make(const std::string& path) {
        for (std::size_t i = 0; i < sizes.size(); ++i)
            preparers[i]->Prepare(canvases[i], path, sizes[i], 96);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            preparers[i]->WaitReady(600000);
            canvases[i] = preparers[i]->Take();
        }
    }
    std::vector<platform::Size> sizes;
    std::vector<std::unique_ptr<platform::Surface>> canvases;
    std::vector<std::unique_ptr<basComon::PicturePreparer>> preparers;
};

int TwoMonitors(int runs, const std::vector<std::string>& pictures) {
    const platform::Size hd{1920, 1080}, uhd{3840, 2160};
    std::printf("Pictures of two monitors made together (1920x1080 and 3840x2160), against each "
                "alone: CPU time of the whole process (its workers included), median of %d runs "
                "after a warm-up, ms.\n\n| picture | 3840x2160 alone | 1920x1080 alone | both "
                "| both / 3840x2160 alone | 1920x1080 PSNR vs alone | 3840x2160 PSNR vs alone |\n"
                "|---|---:|---:|---:|---:|---:|---:|\n",
                runs);
    for (const std::string& path : pictures) {
        Monitors big({uhd}), small({hd}), both({hd, uhd});
        const double alone4k = Time(runs, [&] { big.Make(path); });
        const double alone1080 = Time(runs, [&] { small.Make(path); });
        const double together = Time(runs, [&] { both.Make(path); });
        const double psnr = Psnr(platform::qt::ImageOf(*both.canvases[0]),
                                 platform::qt::ImageOf(*small.canvases[0]), {0, 0, 1920, 1080});
        const double psnr4k = Psnr(platform::qt::ImageOf(*both.canvases[1]),
                                   platform::qt::ImageOf(*big.canvases[0]), {0, 0, 3840, 2160});
        std::printf("| %s | %.1f | %.1f | %.1f | %.2fx | %.1f dB | %.1f dB |\n",
                    std::filesystem::path(path).filename().c_str(), alone4k, alone1080, together,
                    together / alone4k, psnr, psnr4k);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    FixedScreen screen;
    platform::ScopedServices native(platform::NativeServices());
    platform::Services replaced;
    replaced.screen = &screen;
    platform::ScopedServices fixed(replaced);

    int runs = 9;
    bool monitors = false;
    std::string save; // a folder for both frames of each picture, as PNG
    std::vector<std::string> pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--peak-rss" && i + 2 < argc)
            return PeakRss(std::string(argv[i + 1]) == "new", argv[i + 2]);
        if (arg == "--screen" && i + 1 < argc &&
            std::sscanf(argv[i + 1], "%dx%d", &ScreenSize.Width, &ScreenSize.Height) == 2) {
            ++i;
            continue;
        }
        if (arg == "--monitors")
            monitors = true;
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--save" && i + 1 < argc)
            save = argv[++i];
        else
            pictures.push_back(arg);
    }

    if (monitors) return TwoMonitors(runs, pictures);
    const std::string scratch = std::filesystem::temp_directory_path() / "lumora-bench-out";
    const double spawn = Time(runs, [] { Spawn({"true"}); });
    std::printf("Compose one %dx%d frame: CPU time (user + system), median of %d runs after a "
                "warm-up, ms. \"decode\" is the same libjpeg decode at the same scale in this "
                "process; programs run as processes of their own (starting one costs %.1f ms "
                "of CPU here).\n\n",
                ScreenSize.Width, ScreenSize.Height, runs, spawn);
    std::printf("| picture | size | 1/N | decode | djpeg | LumoraScr | before | vipsthumbnail | "
                "ImageMagick | LumoraScr / decode | before / decode | vips / LumoraScr | "
                "PSNR vs before |\n|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
    auto canvasNew =
        platform::Current().drawing->CreateSurface(ScreenSize.Width, ScreenSize.Height);
    auto canvasOld =
        platform::Current().drawing->CreateSurface(ScreenSize.Width, ScreenSize.Height);
    for (const std::string& path : pictures) {
        const Header h = ReadHeader(path);
        const double lumora = Time(runs, [&] { NewComposeFrame(*canvasNew, path); });
        const double before = Time(runs, [&] { OldComposeFrame(*canvasOld, path); });
        const double floor = Time(runs, [&] { DecodeOnly(path, h.denominator); });
        const double djpeg = Time(runs, [&] {
            Spawn({"djpeg", "-dct", "int", "-scale", "1/" + std::to_string(h.denominator),
                   "-outfile", "/dev/null", path});
        });
        const double vips = Time(std::max(3, runs / 2), [&] {
            Spawn({"vipsthumbnail", path, "--size", "1920x1080", "-o", scratch + ".v"});
        });
        const double magick = Time(3, [&] {
            Spawn({"convert", path, "-resize", "1920x1080", scratch + ".bmp"});
        });
        const double psnr =
            Psnr(platform::qt::ImageOf(*canvasNew), platform::qt::ImageOf(*canvasOld), h.dest);
        if (!save.empty()) {
            const std::string stem = save + "/" + std::filesystem::path(path).stem().string();
            canvasNew->SavePng(stem + "-new.png");
            canvasOld->SavePng(stem + "-before.png");
        }
        std::printf("| %s | %dx%d | %d | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.2fx | %.2fx | "
                    "%.2fx | %.1f dB |\n",
                    std::filesystem::path(path).filename().c_str(), h.width, h.height,
                    h.denominator, floor, djpeg, lumora, before, vips, magick, lumora / floor,
                    before / floor, vips / lumora, psnr);
        std::fflush(stdout);
    }

    // The day row and the clock alone, as each frame draws them: over the same pixels as the
    // frame before (an empty list, a picture kept on screen), and over pixels that changed
    // (here one pixel under the row, so nothing of the earlier drawing can serve).
    {
        auto canvas =
            platform::Current().drawing->CreateSurface(ScreenSize.Width, ScreenSize.Height);
        const int W = ScreenSize.Width, H = ScreenSize.Height;
        // Both cases clear the bottom rows first, which costs the same in both.
        auto clearRow = [&] { canvas->Dc().Fill({0, H - 80, W, H}, platform::Rgb(0, 0, 0)); };
        int shade = 0;
        const double same = Time(runs * 5, [&] {
            clearRow();
            basComon::DrawCalendarOver(*canvas);
        });
        const double changed = Time(runs * 5, [&] {
            clearRow();
            shade = shade % 255 + 1;
            canvas->Dc().Fill({W / 2, H - 5, W / 2 + 1, H - 4}, platform::Rgb(shade, 0, 0));
            basComon::DrawCalendarOver(*canvas);
        });
        std::printf("\nDay row and clock on a %dx%d frame, CPU ms (median of %d): over the "
                    "same pixels as the frame before %.3f, over changed pixels %.3f\n",
                    ScreenSize.Width, ScreenSize.Height, runs * 5, same, changed);
    }

    std::printf("\nPeak RSS of one composition in a process of its own, MiB\n\n"
                "| picture | LumoraScr | before |\n|---|---:|---:|\n");
    for (const std::string& path : pictures)
        std::printf("| %s | %.1f | %.1f |\n", std::filesystem::path(path).filename().c_str(),
                    PeakRssOfChild("new", path) / 1024.0, PeakRssOfChild("old", path) / 1024.0);
    std::filesystem::remove(scratch + ".v");
    std::filesystem::remove(scratch + ".bmp");
    return 0;
}
