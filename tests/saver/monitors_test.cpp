#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

#include "fakes/saver_fakes.h"
#include "saver/compose.h"
#include "saver/frmMain.h"

namespace {

using fakes::DcCall;
using fakes::SaverRig;

// One line per drawing call: what a frame looks like to the device context.
std::vector<std::string> Frame(const fakes::RecordingDc& dc) {
    std::vector<std::string> lines;
    for (const DcCall& c : dc.calls) {
        char line[160];
        std::snprintf(line, sizeof line, "%d %d,%d,%d,%d c%u t%u f%d/%d %s",
                      static_cast<int>(c.What), c.Rect.Left, c.Rect.Top, c.Rect.Right,
                      c.Rect.Bottom, c.Color, c.TextColor, c.Font.Height, c.Font.Width,
                      c.Text.c_str());
        lines.push_back(line);
    }
    return lines;
}

TEST(MonitorFrame, ThePrimarySizeGivesTodaysFrameAndAnotherSizeItsOwn) {
    SaverRig rig({1024, 768});
    rig.screen.dpi = 120;
    rig.pictures.sizes["/p/a.jpg"] = {2000, 1000};
    fakes::FakeSurface today(1024, 768);
    basComon::ComposeFrame(today, "/p/a.jpg", {1024, 768});

    struct Case {
        platform::Monitor Monitor;
        platform::Rect Picture;
        int FirstDayLeft; // the day row of December's 31 days, centred on the monitor's width
    };
    const Case cases[] = {
        {{0, 0, {1024, 768}, 120}, {0, 128, 1024, 640}, -1},
        {{1024, 0, {1280, 720}, 96}, {0, 40, 1280, 680}, (1280 - (20 * 31 + 10 * 30)) / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Monitor.Area.Width);
        rig.pictures.draws.clear();
        fakes::FakeSurface canvas(c.Monitor.Area.Width, c.Monitor.Area.Height);
        basComon::ComposeMonitorFrame(canvas, "/p/a.jpg", c.Monitor);
        ASSERT_EQ(rig.pictures.draws.size(), 1u);
        EXPECT_EQ(rig.pictures.draws[0].Dest, c.Picture);
        if (c.FirstDayLeft < 0) {
            EXPECT_EQ(Frame(canvas.dc), Frame(today.dc));
            continue;
        }
        const auto texts = canvas.dc.Only(DcCall::Kind::DrawText);
        const auto day1 = std::find_if(texts.begin(), texts.end(),
                                       [](const DcCall& t) { return t.Text == "1"; });
        ASSERT_NE(day1, texts.end());
        EXPECT_NEAR(day1->Rect.Bottom, 720 - 2, 1);
        EXPECT_NEAR(day1->Rect.Left, c.FirstDayLeft, 1) << "an outline pass is one pixel off";
    }
}

TEST(SlideShow, EveryMonitorShowsTheSamePictureAtTheSameMarkAndFollowsTheMonitors) {
    SaverRig rig({1024, 768});
    const platform::Monitor primary{0, 0, {1024, 768}, 96};
    const platform::Monitor right{1024, 0, {1280, 720}, 96};
    const platform::Monitor below{0, 768, {800, 600}, 144};
    rig.screen.monitors = {primary, right, primary}; // a mirror of the primary gets no window
    rig.AddPicture("c:\\p", "a.jpg", {2000, 1000});
    rig.AddPicture("c:\\p", "b.jpg", {2000, 1000});
    rig.onPass = [&](int) {
        const long long t = rig.clock.Elapsed();
        // Between the first and the second mark the right monitor goes and another comes.
        if (t >= 5000) rig.screen.monitors = {primary, below};
        if (t >= 10500 && rig.monitorWindows.size() == 2) {
            // A move on the new monitor's window, in desktop pixels: the first sets the
            // reference, the next is 11 away from it.
            rig.monitorWindows[1].first->events.OnMouseMove(100, 900);
            rig.monitorWindows[1].first->events.OnMouseMove(106, 905);
        }
        if (t >= 60000) rig.window->events.OnKeyDown(32); // keeps a failure finite
    };
    frmMain saver;
    saver.Show();
    saver.StartScreenSaver();

    ASSERT_EQ(rig.monitorWindows.size(), 2u);
    const auto& [first, firstMonitor] = rig.monitorWindows[0];
    const auto& [second, secondMonitor] = rig.monitorWindows[1];
    EXPECT_EQ(firstMonitor, right);
    EXPECT_EQ(secondMonitor, below);
    EXPECT_EQ(std::vector<std::string>(first->log.begin(), first->log.begin() + 3),
              (std::vector<std::string>{"Show", "Maximize", "MakeTopmost"}));
    EXPECT_EQ(first->log.back(), "Close");
    EXPECT_EQ(second->log.back(), "Close");
    EXPECT_LT(rig.clock.Elapsed(), 20000) << "the move on the other monitor ended the show";

    // The same tiles in the same order, each at its monitor's size.
    const auto primaryCopies = rig.window->Copies();
    ASSERT_EQ(first->Copies().size(), 48u);
    for (std::size_t k = 0; k < 48; ++k) {
        const platform::Rect p = primaryCopies[k];
        const int tile = p.Top / 128 * 8 + p.Left / 128 + 1;
        const int column = (tile - 1) % 8, row = (tile - 1) / 8;
        EXPECT_EQ(first->Copies()[k],
                  (platform::Rect{column * 160, row * 120, column * 160 + 160, row * 120 + 120}));
    }
    // Each mark's picture fitted to each monitor: b at the first mark, a at the second (on the
    // monitor that came, once it came; the one that went may have made it ahead or not). The
    // sizes only: the largest is decoded once for all onto an image of its own, and these
    // canvases cannot give their pixels to average the others from it.
    using Draw = std::tuple<std::string, int, int>;
    std::vector<Draw> draws;
    for (const auto& d : rig.pictures.draws)
        draws.emplace_back(d.Path, d.Dest.Width(), d.Dest.Height());
    ASSERT_GE(draws.size(), 4u);
    EXPECT_EQ(std::multiset<Draw>(draws.begin(), draws.begin() + 2),
              (std::multiset<Draw>{{"c:\\p\\b.jpg", 1024, 512}, {"c:\\p\\b.jpg", 1280, 640}}));
    EXPECT_EQ(std::count(draws.begin(), draws.end(), Draw{"c:\\p\\a.jpg", 1024, 512}), 1);
    EXPECT_EQ(std::count(draws.begin(), draws.end(), Draw{"c:\\p\\a.jpg", 800, 400}), 1);
}

TEST(SlideShow, APointerMoveAcrossTheEdgeToAMonitorLeftOfThePrimaryIsMeasuredInOnePlane) {
    // The primary at +1280+0, another monitor to its left: its window reports desktop pixels.
    const struct {
        int ToX;    // where the pointer goes on the left monitor, from (5, 100) on the primary
        bool Ends;
    } cases[] = {{1275, false}, {1274, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ToX);
        SaverRig rig({1024, 768});
        rig.screen.monitors = {{1280, 0, {1024, 768}, 96}, {0, 0, {1280, 1024}, 96}};
        rig.onPass = [&](int pass) {
            if (pass == 3) {
                rig.window->events.OnMouseMove(5, 100);
                rig.monitorWindows.at(0).first->events.OnMouseMove(c.ToX, 100);
            }
            if (pass == 6) rig.window->events.OnKeyDown(32);
        };
        frmMain saver;
        saver.StartScreenSaver();
        EXPECT_EQ(rig.passes.size(), c.Ends ? 3u : 6u);
    }
}

} // namespace
