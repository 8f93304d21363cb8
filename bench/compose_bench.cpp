// Times the composition of one frame (load, fit, draw, calendar) for large pictures, the peak
// memory of one composition in a process of its own, and ImageMagick doing the same resize.
//
//   lumora_bench [--cache DIR] [--runs N]     everything, as a table
//   lumora_bench --peak-rss PICTURE WxH       one composition; prints the peak RSS in KiB
#include <QApplication>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/services.h"
#include "saver/compose.h"

namespace {

using Clock = std::chrono::steady_clock;

// The saver covers the screen it is given; here that is the size under test.
class FixedScreen : public platform::Screen {
  public:
    platform::Size size;
    platform::Size PrimarySize() override { return size; }
    double Dpi() override { return 96; }
};

struct Picture {
    std::string name;
    std::string file;
    std::string make; // ImageMagick arguments that draw it
};

const std::vector<Picture>& Pictures() {
    // A plasma fractal has the fine detail and gradients of a photograph, so the decoder
    // works as hard as on one.
    static const std::vector<Picture> pictures = {
        {"24 MP JPEG (6000x4000)", "24mp.jpg", "-size 6000x4000 -seed 24 plasma:"},
        {"12 MP JPEG (4000x3000)", "12mp.jpg", "-size 4000x3000 -seed 12 plasma:"},
        {"3840x2160 JPEG", "2160p.jpg", "-size 3840x2160 -seed 8 plasma:"},
        {"1920x1080 JPEG", "1080p.jpg", "-size 1920x1080 -seed 2 plasma:"},
        {"24 MP BMP (6000x4000)", "24mp.bmp", ""},
    };
    return pictures;
}

int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MakePictures(const std::string& cache) {
    std::filesystem::create_directories(cache);
    for (const Picture& p : Pictures()) {
        const std::string path = cache + "/" + p.file;
        if (std::filesystem::exists(path)) continue;
        std::fprintf(stderr, "making %s\n", path.c_str());
        const std::string command = p.make.empty() ? "convert " + cache + "/24mp.jpg BMP3:" + path
                                                   : "convert " + p.make + " -quality 90 " + path;
        if (Run(command) != 0) return false;
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Timing {
    double median, min, max;
};

Timing Summarise(const std::vector<double>& ms) {
    return {Median(ms), *std::min_element(ms.begin(), ms.end()),
            *std::max_element(ms.begin(), ms.end())};
}

Timing TimeCompose(const std::string& path, platform::Size size, FixedScreen& screen, int runs) {
    screen.size = size;
    auto canvas = platform::Current().drawing->CreateSurface(size.Width, size.Height);
    basComon::ComposeFrame(*canvas, path, size); // warms the file cache and the fonts
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        basComon::ComposeFrame(*canvas, path, size);
        ms.push_back(Milliseconds(Clock::now() - start));
    }
    return Summarise(ms);
}

Timing TimeConvert(const std::string& path, const std::string& out, int runs) {
    const std::string command = "convert " + path + " -resize 1920x1080 " + out;
    Run(command);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        Run(command);
        ms.push_back(Milliseconds(Clock::now() - start));
    }
    return Summarise(ms);
}

long PeakRssOfChild(const std::string& self, const std::string& args) {
    const std::string command = "'" + self + "' --peak-rss " + args;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    long kib = -1;
    if (std::fscanf(pipe, "%ld", &kib) != 1) kib = -1;
    pclose(pipe);
    return kib;
}

bool ParseSize(const char* text, platform::Size& size) {
    return std::sscanf(text, "%dx%d", &size.Width, &size.Height) == 2 && size.Width > 0 &&
           size.Height > 0;
}

int PeakRss(const std::string& path, platform::Size size, FixedScreen& screen) {
    screen.size = size;
    auto canvas = platform::Current().drawing->CreateSurface(size.Width, size.Height);
    basComon::ComposeFrame(*canvas, path, size);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
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

    std::string cache = ".cache/bench-pictures";
    int runs = 15;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--peak-rss" && i + 2 < argc) {
            platform::Size size;
            if (!ParseSize(argv[i + 2], size)) return 2;
            return PeakRss(argv[i + 1], size, screen);
        }
        if (arg == "--cache" && i + 1 < argc)
            cache = argv[++i];
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
    }
    if (!MakePictures(cache)) {
        std::fprintf(stderr, "could not make the pictures with ImageMagick's convert\n");
        return 1;
    }

    std::printf("Compose one frame (load, fit, draw, calendar), %d runs, milliseconds\n", runs);
    std::printf("%-24s %-10s %8s %8s %8s\n", "picture", "screen", "median", "min", "max");
    const platform::Size sizes[] = {{1920, 1080}, {1024, 768}};
    for (const Picture& p : Pictures())
        for (const platform::Size size : sizes) {
            const Timing t = TimeCompose(cache + "/" + p.file, size, screen, runs);
            std::printf("%-24s %4dx%-5d %8.1f %8.1f %8.1f\n", p.name.c_str(), size.Width,
                        size.Height, t.median, t.min, t.max);
            std::fflush(stdout);
        }
    const Timing empty = TimeCompose("", {1920, 1080}, screen, runs);
    std::printf("%-24s %4dx%-5d %8.1f %8.1f %8.1f\n", "(no picture)", 1920, 1080, empty.median,
                empty.min, empty.max);

    std::printf("\nImageMagick: convert in.jpg -resize 1920x1080 out.bmp, same runs\n");
    std::printf("%-24s %10s %10s %8s\n", "picture", "convert", "lumora", "ratio");
    for (const Picture& p : Pictures()) {
        if (p.file.find(".jpg") == std::string::npos) continue;
        const std::string path = cache + "/" + p.file;
        const Timing c = TimeConvert(path, cache + "/convert-out.bmp", std::max(3, runs / 3));
        const Timing l = TimeCompose(path, {1920, 1080}, screen, runs);
        std::printf("%-24s %10.1f %10.1f %7.1fx\n", p.name.c_str(), c.median, l.median,
                    c.median / l.median);
        std::fflush(stdout);
    }

    std::printf("\nPeak RSS of one composition in a process of its own, MiB\n");
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const struct {
        const char* label;
        std::string args;
    } peaks[] = {
        {"no picture, 1920x1080", "'' 1920x1080"},
        {"24 MP JPEG, 1920x1080", "'" + cache + "/24mp.jpg' 1920x1080"},
        {"24 MP BMP, 1920x1080", "'" + cache + "/24mp.bmp' 1920x1080"},
    };
    for (const auto& p : peaks)
        std::printf("%-24s %8.1f\n", p.label, PeakRssOfChild(self, p.args) / 1024.0);
    return 0;
}
