#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>

#include "fakes/saver_fakes.h"
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

// The passes (1-based) in which a picture was opened.
std::vector<int> ComposingPasses(const SaverRig& rig, std::size_t loadsBeforeLoop = 1) {
    std::vector<int> result;
    std::size_t before = loadsBeforeLoop;
    for (std::size_t i = 0; i < rig.passes.size(); ++i) {
        if (rig.passes[i].Loads > before) result.push_back(static_cast<int>(i) + 1);
        before = rig.passes[i].Loads;
    }
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
    rig.StopAfterPasses(60);
    RunShow();

    ASSERT_EQ(rig.passes.size(), 60u);
    EXPECT_EQ(rig.passes[0].Loads, 2u) << "set-up and the first pass each compose";
    EXPECT_EQ(rig.passes[0].Copies, 0u);
    for (int pass = 2; pass <= 49; ++pass)
        EXPECT_EQ(rig.passes[static_cast<std::size_t>(pass - 1)].Copies,
                  static_cast<std::size_t>(pass - 1));
    EXPECT_EQ(rig.passes.back().Copies, 48u) << "the grid is revealed once";

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
        if (rig.pictures.loads.size() == 5) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    EXPECT_EQ(rig.pictures.loads,
              (std::vector<std::string>{"c:\\pics\\a.jpg", "c:\\pics\\b.jpg", "c:\\pics\\c.jpg",
                                        "c:\\pics\\a.jpg", "c:\\pics\\b.jpg"}));
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

    EXPECT_EQ(rig.pictures.loads, std::vector<std::string>(5, "c:\\pics\\only.jpg"));
    std::vector<long long> starts;
    for (int pass : ComposingPasses(rig))
        starts.push_back(rig.passes[static_cast<std::size_t>(pass - 1)].StartMs);
    // Started at 09:00:03: the first pass, then 09:00:10, :20 and :30.
    EXPECT_EQ(starts, (std::vector<long long>{0, 7000, 17000, 27000}));
    EXPECT_EQ(rig.window->Copies().size(), 4u * 48u);
}

TEST(SlideShow, AnEmptyListGivesTheCalendarOnBlackAtEveryMark) {
    SaverRig rig;
    rig.onPass = [&](int) {
        if (rig.clock.Elapsed() >= 15000) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    EXPECT_TRUE(rig.pictures.loads.empty());
    EXPECT_EQ(rig.window->Copies().size(), 2u * 48u);
    // The canvas: cleared when sized, then each composition clears it and draws the calendar.
    const auto& calls = rig.Canvas().dc.calls;
    std::vector<std::size_t> fills;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].What == DcCall::Kind::Fill) {
            EXPECT_EQ(calls[i].Rect, (platform::Rect{0, 0, 1024, 768}));
            EXPECT_EQ(calls[i].Color, platform::Rgb(0, 0, 0));
            fills.push_back(i);
        }
    ASSERT_EQ(fills.size(), 4u); // sizing, set-up, 09:00:00, 09:00:10
    for (std::size_t k = 1; k < fills.size(); ++k) {
        const auto end =
            k + 1 < fills.size() ? calls.begin() + static_cast<long>(fills[k + 1]) : calls.end();
        EXPECT_TRUE(std::any_of(calls.begin() + static_cast<long>(fills[k]), end,
                                [](const DcCall& c) { return c.What == DcCall::Kind::DrawText; }))
            << "composition " << k << " has no calendar";
    }
}

TEST(SlideShow, AMarkPassedDuringARevealIsAbsorbed) {
    SaverRig rig;
    rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
    rig.AddPicture("c:\\pics", "b.jpg", {800, 600});
    // The composition at the 10 s mark takes 9.5 s: its reveal then runs across the 20 s mark.
    rig.pictures.onDraw = [&](const std::string&) {
        if (rig.pictures.draws.size() == 3) rig.clock.Advance(9500);
    };
    rig.onPass = [&](int) {
        if (rig.clock.Elapsed() >= 31000) rig.window->events.OnKeyDown(32);
    };
    RunShow();

    std::vector<long long> starts;
    for (int pass : ComposingPasses(rig))
        starts.push_back(rig.passes[static_cast<std::size_t>(pass - 1)].StartMs);
    EXPECT_EQ(starts, (std::vector<long long>{0, 10000, 30000}))
        << "the picture of the 10 s mark stays until the 30 s mark";
}

struct PacingCase {
    const char* Name;
    int StartMilliseconds;
    long long SetUpTakes;
    long long FirstPassTakes;
    int ExpectedSleep;
};

TEST(SlideShow, PacesEachPassToTwentyMillisecondsFromTheMillisecondFields) {
    const PacingCase cases[] = {
        {"995 to 5 counts 10", 985, 10, 10, 10}, {"1005 ms counts 5", 0, 0, 1005, 15},
        {"instant pass", 400, 0, 0, 20},         {"25 ms pass", 400, 0, 25, -1},
        {"exactly 20 ms", 990, 0, 20, -1},
    };
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig({1024, 768}, {2026, 12, 7, 9, 0, 0, c.StartMilliseconds});
        rig.AddPicture("c:\\pics", "a.jpg", {800, 600});
        rig.AddPicture("c:\\pics", "b.jpg", {800, 600});
        rig.pictures.onDraw = [&](const std::string&) {
            rig.clock.Advance(rig.pictures.draws.size() == 1 ? c.SetUpTakes : c.FirstPassTakes);
        };
        std::vector<int> sleepsInFirstPass;
        rig.onPass = [&](int pass) {
            if (pass == 1) sleepsInFirstPass = rig.clock.Sleeps;
        };
        rig.StopAfterPasses(3);
        RunShow();
        EXPECT_EQ(sleepsInFirstPass,
                  c.ExpectedSleep < 0 ? std::vector<int>{} : std::vector<int>{c.ExpectedSleep});
        // Passes that do nothing but check the slot sleep the whole 20 ms.
        EXPECT_EQ(rig.clock.Sleeps.back(), 20);
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
        rig.onPass = [&](int pass) {
            if (pass == 10) c.Send(rig.window->events);
            if (pass == 200) rig.window->events.OnKeyDown(0); // keeps a failure finite
        };
        RunShow();
        EXPECT_EQ(rig.passes.size(), 10u);
        EXPECT_EQ(rig.window->Copies().size(), 9u) << "the reveal is left unfinished";
        EXPECT_EQ(rig.window->log.back(), "Close");
        EXPECT_EQ(rig.windows.cursorCount, 0);
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
    struct Case {
        platform::Size Screen;
        platform::Size Client;
        int TileW, TileH;
    };
    const Case cases[] = {
        {{1366, 768}, {1366, 768}, 170, 128},
        {{1024, 768}, {1024, 768}, 128, 128},
        {{1024, 768}, {1000, 700}, 128, 128},
        {{7, 5}, {7, 5}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Screen.Width);
        SaverRig rig(c.Screen);
        rig.StopAfterPasses(60);
        frmMain saver;
        rig.window->client = c.Client;
        saver.StartScreenSaver();

        EXPECT_EQ(rig.Canvas().resizes.back(), c.Client);
        const auto copies = rig.window->Copies();
        ASSERT_EQ(copies.size(), 48u);
        std::set<std::pair<int, int>> origins;
        int right = 0, bottom = 0;
        for (const platform::Rect& r : copies) {
            EXPECT_EQ(r.Width(), c.TileW);
            EXPECT_EQ(r.Height(), c.TileH);
            origins.insert({r.Left, r.Top});
            right = std::max(right, r.Right);
            bottom = std::max(bottom, r.Bottom);
        }
        if (c.TileW > 0) {
            EXPECT_EQ(origins.size(), 48u);
        }
        // The strips right of 8 tiles and below 6 tiles are never copied.
        EXPECT_EQ(right, 8 * c.TileW);
        EXPECT_EQ(bottom, 6 * c.TileH);
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
