#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "fakes/saver_fakes.h"
#include "saver/frmMain.h"
#include "saver/prepare.h"

namespace {

using fakes::DcCall;
using fakes::SaverRig;

// Canvases cleared whole, on every surface the show made.
int Clears(const SaverRig& rig) {
    int clears = 0;
    for (const fakes::FakeSurface* s : rig.drawing.surfaces)
        for (const DcCall& c : s->dc.calls)
            clears += c.What == DcCall::Kind::Fill && c.Rect == platform::Rect{0, 0, 1024, 768};
    return clears;
}

int LoadsOf(SaverRig& rig, const std::string& path) {
    std::lock_guard<std::mutex> lock(rig.pictures.mutex);
    return static_cast<int>(std::count(rig.pictures.loads.begin(), rig.pictures.loads.end(), path));
}

bool DrawnOnce(SaverRig& rig, const std::string& path) {
    std::lock_guard<std::mutex> lock(rig.pictures.mutex);
    return std::any_of(rig.pictures.draws.begin(), rig.pictures.draws.end(),
                       [&](const fakes::FakePictures::Draw& d) { return d.Path == path; });
}

// b is shown from the first pass; a is made ahead once b's reveal is over and is shown at the
// 10 s mark. Whatever happens to a's file after it was made is looked at again at that mark.
TEST(SlideShow, APictureWhoseFileChangedOrWentIsMadeAgainAtItsMark) {
    enum class Change { None, ReplacedAfter, RemovedAfter, ReplacedWhileDecoding };
    const struct {
        const char* Name;
        Change What;
        int Loads;  // decodings of a from b's reveal to a's mark
        int Clears; // canvases cleared in that time (one per making)
    } cases[] = {
        {"unchanged: not decoded twice", Change::None, 1, 1},
        {"replaced after it was made", Change::ReplacedAfter, 2, 2},
        {"deleted after it was made: black", Change::RemovedAfter, 1, 2},
        {"replaced while it was decoded", Change::ReplacedWhileDecoding, 2, 2},
    };
    const std::string a = "c:\\p\\a.jpg";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SaverRig rig;
        rig.AddPicture("c:\\p", "a.jpg", {800, 600});
        rig.AddPicture("c:\\p", "b.jpg", {800, 600});
        if (c.What == Change::ReplacedWhileDecoding)
            rig.pictures.onDraw = [&](const std::string& path) {
                if (path == a && LoadsOf(rig, a) == 1) rig.files.Replace(a);
            };
        int loadsBefore = -1, clearsBefore = -1, loadsAtMark = -1, clearsAtMark = -1;
        long long markAt = -1;
        bool changed = false;
        rig.onPass = [&](int) {
            const fakes::PassRecord& pass = rig.passes.back();
            if (pass.Copies == 1 && loadsBefore < 0) {
                loadsBefore = LoadsOf(rig, a);
                clearsBefore = Clears(rig);
            }
            if (pass.ElapsedMs >= 5000 && !changed) {
                changed = true;
                // Idle passes take no real time: the worker is given the real time it needs to
                // have drawn a once (a change after the drawing is then looked at either way).
                for (int i = 0; i < 5000 && !DrawnOnce(rig, a); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (c.What == Change::ReplacedAfter) rig.files.Replace(a);
                if (c.What == Change::RemovedAfter) rig.files.Remove(a);
            }
            if (pass.Copies == 49 && markAt < 0) {
                markAt = rig.passes[rig.passes.size() - 2].StartMs; // the composing pass
                loadsAtMark = LoadsOf(rig, a);
                clearsAtMark = Clears(rig);
                rig.window->events.OnKeyDown(32);
            }
        };
        frmMain saver;
        saver.StartScreenSaver();

        EXPECT_EQ(markAt, 10000) << "the mark keeps its time";
        EXPECT_EQ(loadsAtMark - loadsBefore, c.Loads);
        // The clock and day row add no whole-canvas clear: one is counted per making of a.
        EXPECT_EQ(clearsAtMark - clearsBefore, c.Clears);
    }
}

TEST(PicturePreparer, HandsTheCanvasOverOnceAndWakesTheWaiterWhenReady) {
    SaverRig rig;
    rig.pictures.sizes["/p/a.jpg"] = {10, 10};
    rig.pictures.holdDraws = true;
    basComon::PicturePreparer preparer;
    std::unique_ptr<platform::Surface> first = rig.drawing.CreateSurface(1024, 768);
    std::unique_ptr<platform::Surface> second = rig.drawing.CreateSurface(1024, 768);
    platform::Surface* const made = first.get();
    ASSERT_TRUE(preparer.Prepare(first, "/p/a.jpg", {1024, 768}));
    EXPECT_EQ(first, nullptr);
    // A second request before the first is taken is refused; its canvas stays with the caller.
    EXPECT_FALSE(preparer.Prepare(second, "/p/a.jpg", {1024, 768}));
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(preparer.Take(), nullptr) << "nothing is ready while the picture is drawn";

    // The waiter's time-out is beyond the suite's own: only the worker's signal lets it go.
    bool ready = false;
    std::thread waiter([&] { ready = preparer.WaitReady(900000); });
    while (!rig.pictures.drawing) std::this_thread::yield();
    rig.pictures.holdDraws = false;
    waiter.join();
    EXPECT_TRUE(ready);
    EXPECT_EQ(preparer.Take().get(), made);
    EXPECT_FALSE(preparer.Pending());
    EXPECT_TRUE(preparer.Prepare(second, "", {1024, 768})) << "taken: the next request is served";
}

} // namespace
