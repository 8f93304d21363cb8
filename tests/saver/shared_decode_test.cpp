#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "fakes/saver_fakes.h"
#include "saver/prepare.h"

namespace {

// A canvas that keeps its pixels (0x00RRGGBB), as the real ones do.
class PixelDc : public fakes::RecordingDc {
  public:
    PixelDc(int w, int h) : w(w), h(h), px(std::size_t(w) * std::size_t(h), 0) {}
    void Fill(const platform::Rect& r, platform::Color c) override {
        const std::uint32_t v = std::uint32_t(platform::RedOf(c)) << 16 |
                                std::uint32_t(platform::GreenOf(c)) << 8 |
                                std::uint32_t(platform::BlueOf(c));
        for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, h); ++y)
            for (int x = std::max(r.Left, 0); x < std::min(r.Right, w); ++x)
                px[std::size_t(y) * w + x] = v;
    }
    void CopyFrom(int x, int y, int width, int height, platform::DeviceContext& source, int sx,
                  int sy) override {
        auto& from = static_cast<PixelDc&>(source);
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i)
                px[std::size_t(y + j) * w + x + i] = from.px[std::size_t(sy + j) * from.w + sx + i];
    }
    bool ReadPixels(const platform::Rect& r, std::vector<std::uint32_t>& out) override {
        out.clear();
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) out.push_back(px[std::size_t(y) * w + x]);
        return true;
    }
    bool WritePixels(const platform::Rect& r, const std::vector<std::uint32_t>& in) override {
        std::size_t k = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) px[std::size_t(y) * w + x] = in[k++];
        return true;
    }
    int w, h;
    std::vector<std::uint32_t> px;
};

class PixelSurface : public platform::Surface {
  public:
    PixelSurface(int w, int h) : dc(w, h) {}
    void Resize(int, int) override {}
    int Width() const override { return dc.w; }
    int Height() const override { return dc.h; }
    platform::DeviceContext& Dc() override { return dc; }
    bool SavePng(const std::string&) override { return false; }
    platform::Color PixelAt(int, int) const override { return 0; }
    PixelDc dc;
};

class PixelDrawing : public platform::Drawing {
  public:
    std::unique_ptr<platform::Surface> CreateSurface(int w, int h) override {
        return std::make_unique<PixelSurface>(w, h);
    }
};

// A picture of smooth shading, drawn at any size as a decoder would: each pixel the shade at its
// centre. Counts its drawings.
class ShadedPictures : public platform::Pictures {
  public:
    struct Shaded : platform::Picture {
        Shaded(platform::Size size, std::atomic<int>& draws) : size(size), draws(draws) {}
        int Width() const override { return size.Width; }
        int Height() const override { return size.Height; }
        bool DrawScaled(platform::Surface& target, const platform::Rect& d,
                        const platform::StopFlag*) override {
            ++draws;
            std::vector<std::uint32_t> row(std::size_t(d.Width()));
            for (int y = 0; y < d.Height(); ++y) {
                const double v = (y + 0.5) / d.Height();
                for (int x = 0; x < d.Width(); ++x) {
                    const double u = (x + 0.5) / d.Width();
                    auto level = [](double s) { return std::uint32_t(std::lround(127.5 + 127 * s)); };
                    row[std::size_t(x)] = level(std::sin(6 * u)) << 16 |
                                          level(std::cos(5 * v)) << 8 | level(std::sin(3 * (u + v)));
                }
                target.Dc().WritePixels({d.Left, d.Top + y, d.Right, d.Top + y + 1}, row);
            }
            return true;
        }
        platform::Size size;
        std::atomic<int>& draws;
    };
    std::unique_ptr<platform::Picture> Load(const std::string&) override {
        return std::make_unique<Shaded>(size, draws);
    }
    platform::Size size;
    std::atomic<int> draws{0};
};

// Holds the workers at their first look at the file until every monitor's request is in, as
// the show's requests come one right after another.
class GatedFiles : public fakes::FakeFiles {
  public:
    platform::FileIdentity Of(const std::string& path) override {
        while (!open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return FakeFiles::Of(path);
    }
    std::atomic<bool> open{true};
};
GatedFiles* gate = nullptr;

double Psnr(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const double d = double((a[i] >> (8 * c)) & 0xFF) - double((b[i] >> (8 * c)) & 0xFF);
            sum += d * d;
        }
    return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * 3 * double(a.size()) / sum);
}

struct Monitor {
    platform::Size screen;
    double dpi;
};

// Each monitor's picture of `path`, made by preparers that live at the same time.
std::vector<std::vector<std::uint32_t>> Made(const std::vector<Monitor>& monitors) {
    std::vector<std::unique_ptr<basComon::PicturePreparer>> preparers;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        preparers.push_back(std::make_unique<basComon::PicturePreparer>());
    gate->open = false;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        std::unique_ptr<platform::Surface> canvas = std::make_unique<PixelSurface>(
            monitors[i].screen.Width, monitors[i].screen.Height);
        EXPECT_TRUE(preparers[i]->Prepare(canvas, "c:\\p\\a.jpg", monitors[i].screen,
                                          monitors[i].dpi));
    }
    gate->open = true;
    std::vector<std::vector<std::uint32_t>> frames;
    for (auto& p : preparers) {
        EXPECT_TRUE(p->WaitReady(60000));
        const auto canvas = p->Take();
        frames.push_back(static_cast<PixelSurface&>(*canvas).dc.px);
    }
    return frames;
}

TEST(SharedDecodes, MonitorsOfDifferentSizesDecodeOncePerMarkAndShowWhatEachWouldAlone) {
    struct Case {
        platform::Size picture;
        std::vector<Monitor> monitors;
    };
    const Case cases[] = {
        // Shrunk for both; the larger screen first or last.
        {{1000, 750}, {{{320, 180}, 96}, {{640, 360}, 96}}},
        {{1000, 750}, {{{640, 360}, 96}, {{320, 180}, 96}, {{200, 200}, 96}}},
        // Kept at its size on one, enlarged on the denser one.
        {{150, 100}, {{{400, 300}, 96}, {{200, 150}, 192}}},
    };
    fakes::FakeProcess process;
    GatedFiles files;
    gate = &files;
    PixelDrawing drawing;
    ShadedPictures pictures;
    platform::Services services;
    services.process = &process;
    services.files = &files;
    services.drawing = &drawing;
    services.pictures = &pictures;
    platform::ScopedServices scoped(services);
    for (const Case& c : cases) {
        pictures.size = c.picture;
        std::vector<std::vector<std::uint32_t>> alone;
        for (const Monitor& m : c.monitors) alone.push_back(Made({m})[0]);
        pictures.draws = 0;
        const auto shared = Made(c.monitors);
        EXPECT_EQ(pictures.draws, 1) << c.monitors.size() << " monitors, " << c.picture.Width;
        for (std::size_t i = 0; i < shared.size(); ++i)
            EXPECT_GE(Psnr(shared[i], alone[i]), 40) << "monitor " << i;
    }
}

} // namespace
