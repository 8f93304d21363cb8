#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fakes/saver_fakes.h"
#include "saver/frmMain.h"

namespace {

struct MoveCase {
    const char* Name;
    std::vector<std::pair<float, float>> Moves;
    bool Ends;
};

TEST(SaverInput, APointerMoveEndsTheShowOnlyBeyondTenPixelsFromTheFirstPosition) {
    const MoveCase cases[] = {
        {"the first position only", {{500, 400}}, false},
        {"6 right and 5 down", {{500, 400}, {506, 405}}, true},
        {"7 right and 3 down", {{500, 400}, {507, 403}}, false},
        {"10 left exactly", {{500, 400}, {490, 400}}, false},
        {"10.5 up", {{500, 400}, {500, 389.5f}}, true},
        {"small moves adding up", {{500, 400}, {504, 400}, {508, 402}, {509, 403}}, true},
        {"away and back", {{500, 400}, {508, 400}, {500, 400}, {492, 400}, {500, 410}}, false},
        // 500.5 is recorded as 500 (halves to even): 510.4 is then 10.4 away.
        {"half recorded down to even", {{500.5f, 400}, {510.4f, 400}}, true},
        // 501.5 is recorded as 502: 512 is then exactly 10 away.
        {"half recorded up to even", {{501.5f, 400}, {512, 400}}, false},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fakes::SaverRig rig;
        rig.onPass = [&](int pass) {
            if (pass != 1) return;
            for (const auto& [x, y] : c.Moves)
                rig.window->events.OnMouseMove(x, y);
        };
        rig.StopAfterPasses(3);
        frmMain saver;
        saver.StartScreenSaver();
        EXPECT_EQ(rig.passes.size(), c.Ends ? 1u : 3u);
    }
}

TEST(SaverInput, RecordsTheFirstPositionRoundedAndNeverMovesIt) {
    fakes::SaverRig rig;
    frmMain saver;
    EXPECT_EQ(saver.LastX(), -9999);
    EXPECT_EQ(saver.LastY(), -9999);
    EXPECT_EQ(saver.ScreenWidthPx(), 1024);
    EXPECT_EQ(saver.ScreenHeightPx(), 768);
    saver.Form_MouseMove(0, 0, 2.5f, 3.5f);
    EXPECT_EQ(saver.LastX(), 2);
    EXPECT_EQ(saver.LastY(), 4);
    saver.Form_MouseMove(0, 0, 8, 8);
    EXPECT_EQ(saver.LastX(), 2);
    EXPECT_EQ(saver.LastY(), 4);
}

TEST(SaverInput, TheScreenSizeIsTheHostWindowsWhenHosted) {
    fakes::SaverRig rig({640, 480});
    frmMain saver(0x400001);
    EXPECT_TRUE(saver.Hosted());
    EXPECT_EQ(saver.ScreenWidthPx(), 640);
    EXPECT_EQ(saver.ScreenHeightPx(), 480);
    EXPECT_EQ(rig.Canvas().Width(), 640);
}

} // namespace
