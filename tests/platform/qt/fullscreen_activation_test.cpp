#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include "fakes/saver_fakes.h"
#include "platform/wayland/fullscreen_window.h"

namespace {

struct Closes : platform::SaverEvents {
    int requests = 0;
    void OnKeyDown(int) override {}
    void OnMouseDown(int) override {}
    void OnMouseMove(double, double) override {}
    void OnCloseRequest() override { ++requests; }
};

std::unique_ptr<platform::SaverWindow> Wrapped(Closes& events, bool primary) {
    return platform::wayland::FullscreenWindow(
        std::make_unique<fakes::FakeSaverWindow>(events, 0, platform::Size{64, 64}), events,
        primary);
}

// No window of the program gets the keyboard: the show ends once, saying so once; a monitor
// window beside it never ends the show itself.
TEST(FullscreenActivation, EndsTheShowWhenNeverActive) {
    ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
    Closes primaryEvents, monitorEvents;
    auto primary = Wrapped(primaryEvents, true);
    auto monitor = Wrapped(monitorEvents, false);
    testing::internal::CaptureStderr();
    primary->Show();
    monitor->Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return primaryEvents.requests > 0; }, 10000));
    QTest::qWait(400);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(primaryEvents.requests, 1);
    EXPECT_EQ(monitorEvents.requests, 0);
    EXPECT_EQ(said.find("keyboard"), said.rfind("keyboard")) << said;
    EXPECT_NE(said.find("within 2 s"), std::string::npos) << said;
    primary->Close();
    monitor->Close();
}

// An active window keeps the show past the time allowed; losing the keyboard for good ends it.
TEST(FullscreenActivation, EndsTheShowWhenTheKeyboardGoes) {
    if (QGuiApplication::platformName() == "offscreen")
        GTEST_SKIP() << "offscreen windows keep the keyboard when hidden";
    QWindow window;
    window.resize(64, 64);
    window.show();
    window.requestActivate();
    if (!QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == &window; }, 5000))
        GTEST_SKIP() << "this platform does not activate windows";
    Closes events;
    auto saver = Wrapped(events, true);
    saver->Show();
    QTest::qWait(2500);
    EXPECT_EQ(events.requests, 0);
    window.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return events.requests == 1; }, 5000));
    saver->Close();
}

} // namespace
