#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/saver_fakes.h"
#include "saver/compose.h"

namespace {

using fakes::DcCall;
using fakes::SaverRig;

TEST(FitPicture, FitsIntoTheScreenWithoutEverEnlarging) {
    struct Case {
        int pw, ph;
        platform::Rect Expected; // left, top, right, bottom
    };
    const Case cases[] = {
        {1024, 768, {0, 0, 1024, 768}},    {800, 600, {112, 84, 912, 684}},
        {801, 601, {111, 83, 912, 684}},   {2000, 1000, {0, 128, 1024, 640}},
        {1000, 2000, {320, 0, 704, 768}},  {3000, 3000, {128, 0, 896, 768}},
        {2048, 1025, {0, 128, 1024, 640}}, // h = 512.5 goes to the even 512
        {2048, 1027, {0, 127, 1024, 641}}, // h = 513.5 goes to the even 514
        {1025, 10, {0, 379, 1024, 389}},   {1024, 1536, {256, 0, 768, 768}},
        {1, 1, {511, 383, 512, 384}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pw) + "x" + std::to_string(c.ph));
        EXPECT_EQ(basComon::FitPicture(c.pw, c.ph, 1024, 768, 1024, 768), c.Expected);
    }
}

TEST(FitPicture, EnlargesASmallerPictureByTheDisplayScaleAsFarAsTheScreenGoes) {
    struct Case {
        int pw, ph;
        double scale;
        platform::Rect Expected;
    };
    const Case cases[] = {
        {1920, 1080, 2, {0, 0, 3840, 2160}},       // 192 dpi: fills the screen
        {1920, 1080, 1, {960, 540, 2880, 1620}},   // 96 dpi: centred, pixel for pixel
        {1000, 1000, 2, {920, 80, 2920, 2080}},    // twice its size, centred
        {2000, 1000, 2, {0, 120, 3840, 2040}},     // the width ends first
        {1000, 2000, 1.5, {1380, 0, 2460, 2160}},  // the height ends first
        {4000, 3000, 2, {480, 0, 3360, 2160}},     // larger than the screen: shrunk as ever
        {3840, 2160, 2, {0, 0, 3840, 2160}},       // already the screen's size
        {1, 1, 1.25, {1919, 1079, 1920, 1080}},    // a quarter more of a pixel is none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pw) + "x" + std::to_string(c.ph) + " at " +
                     std::to_string(c.scale));
        EXPECT_EQ(basComon::FitPicture(c.pw, c.ph, 3840, 2160, 3840, 2160, c.scale), c.Expected);
    }
    EXPECT_EQ(basComon::DisplayScale(192), 2);
    EXPECT_EQ(basComon::DisplayScale(72), 1); // never below the picture's own size
}

TEST(FitPicture, CentresASmallPictureOnTheCanvasAndAScaledOneOnTheScreen) {
    // Only matters when the canvas and the screen differ in size.
    EXPECT_EQ(basComon::FitPicture(800, 600, 1024, 768, 1000, 700),
              (platform::Rect{100, 50, 900, 650}));
    EXPECT_EQ(basComon::FitPicture(2000, 1000, 1024, 768, 1000, 700),
              (platform::Rect{0, 128, 1024, 640}));
}

bool CalendarDrawnAfterLastClear(const fakes::RecordingDc& dc) {
    const auto& calls = dc.calls;
    const auto fill = std::find_if(calls.rbegin(), calls.rend(), [](const DcCall& c) {
        return c.What == DcCall::Kind::Fill && c.Rect == platform::Rect{0, 0, 1024, 768};
    });
    if (fill == calls.rend() || fill->Color != 0) return false;
    return std::any_of(calls.rbegin(), fill,
                       [](const DcCall& c) { return c.What == DcCall::Kind::DrawText; });
}

TEST(ComposeFrame, DrawsThePictureFittedThenTheCalendarAndSurvivesEveryFailure) {
    struct Case {
        const char* Name;
        std::string Path;
        bool Opens;
        bool FailDraw;
        bool ThrowOnLoad;
        bool ThrowOnDraw;
        std::size_t Draws;
    };
    const Case cases[] = {
        {"a picture", "c:\\p\\a.jpg", true, false, false, false, 1},
        {"no picture", "", false, false, false, false, 0},
        {"a missing file", "c:\\p\\gone.jpg", false, false, false, false, 0},
        {"a load that throws", "c:\\p\\bad.jpg", false, false, true, false, 0},
        {"a draw that fails", "c:\\p\\a.jpg", true, true, false, false, 1},
        {"a draw that throws", "c:\\p\\a.jpg", true, false, false, true, 1},
    };
    const platform::Rect fitted{0, 128, 1024, 640};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        if (c.Opens) rig.pictures.sizes[c.Path] = {2000, 1000};
        if (c.FailDraw) rig.pictures.failDraws.insert(c.Path);
        if (c.ThrowOnLoad) rig.pictures.throwOnLoad.insert(c.Path);
        if (c.ThrowOnDraw) rig.pictures.throwOnDraw.insert(c.Path);
        fakes::FakeSurface canvas(1024, 768);
        std::unique_ptr<platform::Picture> loader;
        basComon::ComposeFrame(canvas, c.Path, {1024, 768}, loader);

        ASSERT_EQ(rig.pictures.draws.size(), c.Draws);
        if (c.Draws) {
            EXPECT_EQ(rig.pictures.draws[0].Dest, fitted);
        }
        // Rows a failed decoder may have left are blacked out again.
        const auto fills = canvas.dc.Only(DcCall::Kind::Fill);
        EXPECT_EQ(fills.back().Rect == fitted, c.FailDraw || c.ThrowOnDraw);
        EXPECT_EQ(loader != nullptr, c.Opens);
        EXPECT_TRUE(CalendarDrawnAfterLastClear(canvas.dc));
    }
}

TEST(ComposeFrame, ReleasesThePreviousPictureBeforeOpeningTheNext) {
    SaverRig rig;
    rig.pictures.sizes["/p/a.jpg"] = {10, 10};
    rig.pictures.sizes["/p/b.jpg"] = {10, 10};
    fakes::FakeSurface canvas(1024, 768);
    std::unique_ptr<platform::Picture> loader;
    int aliveWhileDrawing = -1;
    basComon::ComposeFrame(canvas, "/p/a.jpg", {1024, 768}, loader);
    rig.pictures.throwOnLoad.insert("/p/c.jpg");
    basComon::ComposeFrame(canvas, "/p/c.jpg", {1024, 768}, loader);
    EXPECT_EQ(loader, nullptr) << "a failed load leaves no picture from before";
    basComon::ComposeFrame(canvas, "/p/a.jpg", {1024, 768}, loader);
    rig.pictures.onDraw = [&](const std::string&) { aliveWhileDrawing = rig.pictures.alive; };
    basComon::ComposeFrame(canvas, "/p/b.jpg", {1024, 768}, loader);
    EXPECT_EQ(aliveWhileDrawing, 1);
}

// A file system that keeps names in their own case while the list holds them in lower case.
class CaseKeepingProcess : public fakes::FakeProcess {
  public:
    std::string ResolvePathCase(const std::string& path) override {
        return path == "/home/me/pics/beach.jpg" ? "/home/me/Pics/Beach.JPG" : path;
    }
};

TEST(ComposeFrame, OpensALowerCasedPathThroughTheCaseInsensitiveLookup) {
    SaverRig rig;
    CaseKeepingProcess process;
    platform::Services services;
    services.process = &process;
    platform::ScopedServices scope(services);
    rig.pictures.sizes["/home/me/Pics/Beach.JPG"] = {640, 480};
    fakes::FakeSurface canvas(1024, 768);
    basComon::ComposeFrame(canvas, "/home/me/pics/beach.jpg", {1024, 768});
    EXPECT_EQ(rig.pictures.loads, std::vector<std::string>{"/home/me/Pics/Beach.JPG"});
    EXPECT_EQ(rig.pictures.draws.size(), 1u);
}

} // namespace
