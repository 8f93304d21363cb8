#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <limits>
#include <set>

#include "calendar/calendar.h"
#include "fakes/saver_fakes.h"
#include "saver/compose.h"
#include "saver/frmMain.h"
#include "settings/settings.h"
#include "startup/startup.h"

namespace {

using fakes::DcCall;
using fakes::SaverRig;

platform::Rect TileRect(int tile, int tileW, int tileH) {
    const int x = (tile - 1) % 8 * tileW;
    const int y = (tile - 1) / 8 * tileH;
    return {x, y, x + tileW, y + tileH};
}

// The passes (1-based) that composed a frame: each is followed by the first tile of a reveal.
std::vector<int> ComposingPasses(const SaverRig& rig) {
    std::vector<int> result;
    for (std::size_t i = 0; i + 1 < rig.passes.size(); ++i)
        if (rig.passes[i + 1].Copies == rig.passes[i].Copies + 1 &&
            rig.passes[i + 1].Copies % 48 == 1)
            result.push_back(static_cast<int>(i) + 1);
    return result;
}

// Runs a show with the services of the rig the caller has made.
void RunShow() {
    frmMain saver;
    saver.Show();
    saver.StartScreenSaver();
}

TEST(SlideShow, FirstPassComposesAndTheNext48RevealInTheShuffledOrder) {
    SaverRig rig;
    // A generator that always says 0 swaps every position with the first: 48, 1, 2, ..., 47.
    rig.process.randomSequence = {0.0};
    rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
    rig.AddPicture("c:\\pics", "b.jpg", {800, 600});
    rig.onPass = [&](int) {
        if (rig.clock.Elapsed() >= 1500) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    // Passes that wait for the first picture take no virtual time; then one pass composes.
    const std::vector<int> composing = ComposingPasses(rig);
    ASSERT_EQ(composing.size(), 1u);
    const std::size_t first = static_cast<std::size_t>(composing[0]);
    EXPECT_EQ(rig.passes[first - 1].StartMs, 0);
    for (std::size_t k = 0; k < 48; ++k)
        EXPECT_EQ(rig.passes[first + k].Copies, k + 1);
    EXPECT_EQ(rig.passes.back().Copies, 48u) << "the grid is revealed once";
    EXPECT_EQ(rig.pictures.loads.front(), "c:\\pics\\b.jpg") << "nothing is opened before the loop";

    std::vector<platform::Rect> expected{TileRect(48, 128, 128)};
    for (int t = 1; t <= 47; ++t)
        expected.push_back(TileRect(t, 128, 128));
    EXPECT_EQ(rig.window->Copies(), expected);
}

TEST(SlideShow, ShowsTheListFromItsSecondEntryRoundAndRound) {
    SaverRig rig;
    rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
    rig.AddPicture("c:\\pics\\", "b.jpg", {800, 600});
    rig.AddPicture("c:\\pics", "c.jpg", {800, 600});
    rig.onPass = [&](int) {
        if (rig.clock.Elapsed() >= 35000) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    // The four shown; a fifth may have been opened ahead when the show ended.
    ASSERT_GE(rig.pictures.loads.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(rig.pictures.loads.begin(), rig.pictures.loads.begin() + 4),
              (std::vector<std::string>{"c:\\pics\\b.jpg", "c:\\pics\\c.jpg", "c:\\pics\\a.jpg",
                                        "c:\\pics\\b.jpg"}));
    // Each composition happens in the first pass of a new ten-second slot.
    std::vector<long long> starts;
    for (int pass : ComposingPasses(rig))
        starts.push_back(rig.passes[static_cast<std::size_t>(pass - 1)].StartMs);
    EXPECT_EQ(starts, (std::vector<long long>{0, 10000, 20000, 30000}));
}

TEST(SlideShow, ASinglePictureIsComposedAgainAtEveryMark) {
    SaverRig rig({1024, 768}, {2026, 12, 7, 9, 0, 3, 0});
    rig.AddPicture("c:\\pics", "only.jpg", {800, 600});
    rig.onPass = [&](int) {
        if (rig.clock.Elapsed() >= 36000) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    ASSERT_GE(rig.pictures.loads.size(), 4u);
    for (const std::string& load : rig.pictures.loads)
        EXPECT_EQ(load, "c:\\pics\\only.jpg");
    std::vector<long long> starts;
    for (int pass : ComposingPasses(rig))
        starts.push_back(rig.passes[static_cast<std::size_t>(pass - 1)].StartMs);
    // Started at 09:00:03: the first pass, then 09:00:10, :20 and :30.
    EXPECT_EQ(starts, (std::vector<long long>{0, 7000, 17000, 27000}));
    EXPECT_EQ(rig.window->Copies().size(), 4u * 48u);
}

TEST(SlideShow, AnEmptyListRedrawsAndRevealsOnlyTheCalendarRowsAfterItsFirstMark) {
    // Every window's canvases and copies over the marks at 09:00:00, :10 and :20: the first
    // frame is composed whole, the later ones only clear, draw and reveal the calendar's rows.
    const platform::Monitor primary{0, 0, {1024, 768}, 96};
    const struct {
        const char* Name;
        std::vector<platform::Monitor> Monitors;
    } cases[] = {
        {"one monitor", {primary}},
        {"a denser second monitor", {primary, {1024, 0, {1280, 720}, 144}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        rig.screen.monitors = c.Monitors;
        rig.onPass = [&](int) {
            if (rig.clock.Elapsed() >= 25000) rig.window->events.OnKeyDown(32);
        };
        RunShow();
        EXPECT_TRUE(rig.pictures.loads.empty());

        std::vector<std::pair<fakes::FakeSaverWindow*, platform::Monitor>> windows{
            {rig.window, primary}};
        windows.insert(windows.end(), rig.monitorWindows.begin(), rig.monitorWindows.end());
        ASSERT_EQ(windows.size(), c.Monitors.size());
        for (const auto& [window, monitor] : windows) {
            const platform::Rect whole{0, 0, monitor.Area.Width, monitor.Area.Height};
            const platform::Rect band = basComon::CalendarBand(monitor.Area, monitor.Dpi);
            ASSERT_GT(band.Height(), 0);
            ASSERT_LT(band.Height(), whole.Height() / 4);
            int wholeFills = 0, bandFills = 0;
            for (fakes::FakeSurface* canvas : rig.drawing.surfaces) {
                if (canvas->Width() != whole.Width() || canvas->Height() != whole.Height())
                    continue;
                const auto& calls = canvas->dc.calls;
                for (std::size_t i = 0; i < calls.size(); ++i) {
                    if (calls[i].What != DcCall::Kind::Fill) continue;
                    EXPECT_EQ(calls[i].Color, platform::Rgb(0, 0, 0));
                    wholeFills += calls[i].Rect == whole;
                    if (calls[i].Rect != band) continue;
                    ++bandFills;
                    // What is drawn over the cleared rows stays inside them.
                    int texts = 0;
                    for (std::size_t j = i + 1;
                         j < calls.size() && calls[j].What != DcCall::Kind::Fill; ++j) {
                        if (calls[j].What != DcCall::Kind::DrawText) continue;
                        ++texts;
                        const platform::Rect seen = platform::Intersect(calls[j].Rect, whole);
                        EXPECT_EQ(platform::Intersect(seen, band), seen) << calls[j].Text;
                    }
                    EXPECT_GT(texts, 0) << "no calendar over the cleared rows";
                }
            }
            EXPECT_EQ(wholeFills, 2) << "made black when opened, then the first frame";
            EXPECT_EQ(bandFills, 2);

            // The first reveal copies every tile; the later ones only the tiles' rows in the band.
            const std::vector<platform::Rect> copies = window->Copies();
            ASSERT_GT(copies.size(), 48u);
            int tilesInBand = 0;
            for (int t = 1; t <= 48; ++t)
                tilesInBand +=
                    platform::Intersect(basComon::TileArea(t, monitor.Area), band).Height() > 0;
            EXPECT_EQ(copies.size(), 48u + 2u * static_cast<std::size_t>(tilesInBand));
            for (std::size_t k = 48; k < copies.size(); ++k)
                EXPECT_EQ(platform::Intersect(copies[k], band), copies[k]);
        }
    }
}

TEST(SlideShow, AMarkPassedDuringARevealIsAbsorbed) {
    SaverRig rig;
    rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
    rig.AddPicture("c:\\pics", "b.jpg", {800, 600});
    // The first picture takes 9.5 s to prepare: its reveal then runs across the 10 s mark.
    rig.pictures.onDraw = [&](const std::string&) {
        if (rig.pictures.draws.size() == 1) rig.clock.Advance(9500);
    };
    rig.onPass = [&](int) {
        if (rig.clock.Elapsed() >= 31000) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    std::vector<long long> starts;
    for (int pass : ComposingPasses(rig))
        starts.push_back(rig.passes[static_cast<std::size_t>(pass - 1)].StartMs);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(std::vector<long long>(starts.begin() + 1, starts.end()),
              (std::vector<long long>{20000, 30000}))
        << "the first picture stays until the 20 s mark";
}

struct PacingCase {
    const char* Name;
    int StartMilliseconds;
    long long FirstPassTakes;
    int ExpectedSleep;
};

TEST(SlideShow, PacesEachPassToTwentyMillisecondsFromTheMillisecondFields) {
    const PacingCase cases[] = {
        {"995 to 5 counts 10", 995, 10, 10}, {"1005 ms counts 5", 0, 1005, 15},
        {"instant pass", 400, 0, 20},        {"25 ms pass", 400, 25, -1},
        {"exactly 20 ms", 990, 20, -1},
    };
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig({1024, 768}, {2026, 12, 7, 9, 0, 0, c.StartMilliseconds});
        // An empty list: the frame is composed in the pass, and the calendar's reading of the
        // clock (after the pass's own first reading) is where its time goes.
        int readings = 0;
        rig.clock.OnNow = [&](fakes::FakeClock& clock) {
            if (++readings == 2) clock.Advance(c.FirstPassTakes);
        };
        std::vector<int> sleepsInFirstPass;
        rig.onPass = [&](int pass) {
            if (pass == 1) sleepsInFirstPass = rig.clock.Sleeps;
        };
        rig.StopAfterPasses(3);
        RunShow();
        EXPECT_EQ(sleepsInFirstPass,
                  c.ExpectedSleep < 0 ? std::vector<int>{} : std::vector<int>{c.ExpectedSleep});
        // Passes that copy a tile sleep the whole 20 ms.
        EXPECT_EQ(rig.clock.Sleeps.back(), 20);
    }
}

TEST(SlideShow, BetweenRevealsWaitsForInputUntilJustPastTheNextMark) {
    const struct {
        const char* Name;
        int StartMilliseconds;
        int Pictures;
    } cases[] = {{"pictures", 0, 2}, {"empty list", 0, 0}, {"started mid-second", 250, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig({1024, 768}, {2026, 12, 7, 9, 0, 0, c.StartMilliseconds});
        for (int i = 0; i < c.Pictures; ++i)
            rig.AddPicture("c:\\pics", std::string(1, char('a' + i)) + ".jpg", {800, 600});
        rig.onPass = [&](int) {
            if (rig.clock.Elapsed() >= 15000) rig.window->events.OnKeyDown(32);
        };
        RunShow();
        // 48 passes of 20 ms (the composing pass and 47 tiles); the pass of the last tile then
        // waits until the mark, a second at a time, where the next pass finds a new slot.
        const int lastTile = c.StartMilliseconds + 48 * 20;
        ASSERT_GE(rig.windows.waits.size(), 9u);
        EXPECT_EQ(rig.windows.waits.front(), 1000);
        int waited = 0;
        for (std::size_t i = 0; waited < 10000 - lastTile; ++i) {
            EXPECT_EQ(rig.windows.waits[i], std::min(1000, 10000 - lastTile - waited));
            waited += rig.windows.waits[i];
        }
        EXPECT_EQ(rig.clock.Sleeps.size(), 2u * 48u) << "no paced passes between reveals";
        EXPECT_EQ(ComposingPasses(rig).size(), 2u);
    }
}

struct InputCase {
    const char* Name;
    void (*Send)(platform::SaverEvents&);
};

TEST(SlideShow, InputDuringARevealEndsTheShowAtTheNextPass) {
    const InputCase cases[] = {
        {"key", [](platform::SaverEvents& e) { e.OnKeyDown(65); }},
        {"right button", [](platform::SaverEvents& e) { e.OnMouseDown(2); }},
        {"close request", [](platform::SaverEvents& e) { e.OnCloseRequest(); }},
        {"pointer moved far",
         [](platform::SaverEvents& e) {
             e.OnMouseMove(10, 10);
             e.OnMouseMove(30, 10);
         }},
    };
    for (const InputCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
        std::size_t sentAt = 0;
        rig.onPass = [&](int pass) {
            if (!sentAt && rig.passes.back().Copies == 9) {
                sentAt = static_cast<std::size_t>(pass);
                c.Send(rig.window->events);
            }
            if (pass == 200) rig.window->events.OnKeyDown(0); // keeps a failure finite
        };
        RunShow();
        EXPECT_EQ(rig.passes.size(), sentAt);
        EXPECT_EQ(rig.window->Copies().size(), 9u) << "the reveal is left unfinished";
        EXPECT_EQ(rig.window->log.back(), "Close");
        EXPECT_EQ(rig.windows.cursorCount, 0);
    }
}

TEST(SlideShow, AMarkWaitsForItsPictureWhileInputIsStillHandled) {
    const struct {
        const char* Name;
        bool KeyWhileWaiting; // else the picture is let through
    } cases[] = {{"the picture comes", false}, {"a key ends the show mid-preparation", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
        rig.AddPicture("c:\\pics", "b.jpg", {800, 600});
        rig.pictures.holdDraws = true;
        // Lets a preparation that ignores the request to stop end after all, so that such a
        // fault fails the test instead of hanging it.
        std::atomic<bool> over{false};
        std::thread watchdog([&] {
            for (int i = 0; i < 5000 && !over; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            rig.pictures.holdDraws = false;
        });
        rig.onPass = [&](int pass) {
            if (pass == 5) {
                EXPECT_TRUE(rig.pictures.drawing);
                EXPECT_EQ(rig.window->Copies().size(), 0u) << "nothing is revealed while waiting";
                if (c.KeyWhileWaiting)
                    rig.window->events.OnKeyDown(32);
                else
                    rig.pictures.holdDraws = false;
            }
            if (rig.clock.Elapsed() >= 1500) rig.window->events.OnKeyDown(32);
        };
        RunShow();
        over = true;
        watchdog.join();

        EXPECT_EQ(rig.passes[4].ElapsedMs, 0) << "waiting passes take no virtual time";
        EXPECT_FALSE(rig.pictures.drawing);
        EXPECT_EQ(rig.pictures.alive, 0) << "the worker has let go of its picture";
        if (c.KeyWhileWaiting) {
            EXPECT_EQ(rig.passes.size(), 5u);
            EXPECT_EQ(rig.pictures.drawsStopped, 1) << "the preparation was asked to stop";
            EXPECT_EQ(rig.window->Copies().size(), 0u);
        } else {
            EXPECT_EQ(rig.pictures.drawsStopped, 0);
            EXPECT_EQ(rig.window->Copies().size(), 48u);
        }
        EXPECT_EQ(rig.window->log.back(), "Close");
    }
}

TEST(SlideShow, HidesThePointerOnceAndShowsItOnceOutsideDevMode) {
    struct Case {
        const char* Name;
        bool DevMode;
        platform::NativeHandle Host;
        int CountDuringShow;
        std::vector<std::string> WindowLog;
    };
    const Case cases[] = {
        {"own window", false, 0, -1, {"Show", "Maximize", "MakeTopmost", "Close"}},
        {"developer's machine", true, 0, 0, {"Show", "Maximize", "Close"}},
        {"hosted by another program", false, 0x2a00007, 0, {"Show", "Maximize", "Close"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        basComon::DevMode = c.DevMode;
        rig.windows.cursorCount = 3;
        rig.StopAfterPasses(5);
        {
            frmMain saver(c.Host);
            ASSERT_NE(rig.window, nullptr);
            EXPECT_EQ(rig.window->host, c.Host);
            saver.Show();
            saver.StartScreenSaver();
        }
        for (const fakes::PassRecord& pass : rig.passes)
            EXPECT_EQ(pass.CursorCount, 3 + c.CountDuringShow);
        EXPECT_EQ(rig.windows.cursorCount, 3);
        EXPECT_EQ(rig.window->log, c.WindowLog);
    }
}

TEST(SlideShow, TheCanvasTakesTheWindowsClientSizeAndTilesTheScreenSize) {
    // The last column and row take the remainder of width / 8 and height / 6.
    struct Case {
        platform::Size Screen;
        platform::Size Client;
        int TileW, TileH, LastW, LastH;
    };
    const Case cases[] = {
        {{1366, 768}, {1366, 768}, 170, 128, 176, 128},
        {{1280, 1024}, {1280, 1024}, 160, 170, 160, 174},
        {{1024, 768}, {1000, 700}, 128, 128, 128, 128},
        {{7, 5}, {7, 5}, 0, 0, 7, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Screen.Width);
        SaverRig rig(c.Screen);
        rig.onPass = [&](int) {
            if (rig.clock.Elapsed() >= 1500) rig.window->events.OnKeyDown(32);
        };
        frmMain saver;
        rig.window->client = c.Client;
        saver.StartScreenSaver();

        EXPECT_EQ(rig.Canvas().resizes.back(), c.Client);
        const auto copies = rig.window->Copies();
        ASSERT_EQ(copies.size(), 48u);
        std::set<std::pair<int, int>> origins;
        int right = 0, bottom = 0;
        long long area = 0;
        for (const platform::Rect& r : copies) {
            area += static_cast<long long>(r.Width()) * r.Height();
            if (c.TileW > 0) {
                EXPECT_EQ(r.Width(), r.Left == 7 * c.TileW ? c.LastW : c.TileW);
                EXPECT_EQ(r.Height(), r.Top == 5 * c.TileH ? c.LastH : c.TileH);
            }
            origins.insert({r.Left, r.Top});
            right = std::max(right, r.Right);
            bottom = std::max(bottom, r.Bottom);
        }
        if (c.TileW > 0) {
            EXPECT_EQ(origins.size(), 48u);
        }
        // Every pixel of the screen is revealed, once.
        EXPECT_EQ(area, static_cast<long long>(c.Screen.Width) * c.Screen.Height);
        EXPECT_EQ(right, c.Screen.Width);
        EXPECT_EQ(bottom, c.Screen.Height);
    }
}

TEST(SlideShow, ACloseRequestBeforeTheShowStartsEndsItAtOnce) {
    SaverRig rig;
    rig.StopAfterPasses(100);
    frmMain saver;
    rig.window->events.OnCloseRequest();
    saver.StartScreenSaver();
    EXPECT_TRUE(rig.passes.empty());
    EXPECT_EQ(rig.window->log.back(), "Close");
    EXPECT_EQ(rig.windows.cursorCount, 0);
}

TEST(SlideShow, WithoutAWindowTheShowReturnsAtOnce) {
    SaverRig rig;
    rig.windows.makeSaver = nullptr;
    frmMain saver;
    saver.Show();
    saver.StartScreenSaver();
    EXPECT_TRUE(rig.passes.empty());
    EXPECT_EQ(rig.windows.cursorCount, 0);
}

TEST(ShuffleTiles, SwapsEachPositionWithOneDrawnFromTheWholeRange) {
    struct Case {
        const char* Name;
        std::vector<double> Random;
        std::vector<std::int16_t> Expected;
    };
    const Case cases[] = {
        // i=1 j=3; i=2 j=1; i=3 j=4; i=4 j=2.
        {"ordinary draws", {0.5, 0.0, 0.99, 0.25}, {0, 2, 1, 4, 3}},
        // j = i never swaps; 1.0, a negative number and NaN give a j outside 1..4 and are skipped.
        {"draws that change nothing", {0.0, 0.25, 1.0, -0.5}, {0, 1, 2, 3, 4}},
        {"not a number", {std::numeric_limits<double>::quiet_NaN()}, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        rig.process.randomSequence = c.Random;
        std::vector<std::int16_t> tiles{0, 1, 2, 3, 4};
        frmMain::ShuffleTiles(tiles);
        EXPECT_EQ(tiles, c.Expected);
    }
}

} // namespace
