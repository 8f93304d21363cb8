#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/qt/qt_internal.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/x11_include.h"
#include "platform/shared/platform_under_test.h"

using platform::Rgb;

namespace {

// The tests below need an X server; without one they say so and skip.
class QtX11 : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || QGuiApplication::platformName() != "xcb")
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        // A connection of the test's own, as another program would have.
        other = XOpenDisplay(nullptr);
        ASSERT_NE(other, nullptr);
    }
    void TearDown() override {
        if (other) XCloseDisplay(other);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Window MakeHost(int width, int height) {
        const int screen = DefaultScreen(other);
        const Window host = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, width,
                                                height, 0, 0, WhitePixel(other, screen));
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        XChangeWindowAttributes(other, host, CWOverrideRedirect, &attributes);
        XMapRaised(other, host);
        XSync(other, False);
        return host;
    }

    // Lets both sides work until `done` holds; gives up after a generous number of rounds.
    template <typename Done> bool Settle(Done done) {
        for (int round = 0; round < 200; ++round) {
            QApplication::processEvents();
            XSync(other, False);
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    platform::Color PixelOf(Window window, int x, int y) {
        XImage* image = nullptr;
        platform::qt::WithoutXErrors(
            other, [&] { image = XGetImage(other, window, x, y, 1, 1, AllPlanes, ZPixmap); });
        if (!image) return 0xFFFFFFFF;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return Rgb((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }

    // 0 for a window that is gone (the query's X error is kept from ending the test).
    Window ParentOf(Window window) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        const bool clean = platform::qt::WithoutXErrors(
            other, [&] { XQueryTree(other, window, &root, &parent, &children, &count); });
        if (children) XFree(children);
        return clean ? parent : 0;
    }

    Display* other = nullptr;
    platform::Windows& windows = platform::qt::WindowsService();
};

TEST_F(QtX11, WindowLookupMatchesWholeTitlesInAnyCase) {
    QWidget setting, japanese;
    setting.setWindowTitle("LumoraScreenSaver Setting");
    japanese.setWindowTitle("画像の設定");
    setting.show();
    japanese.show();
    ASSERT_TRUE(Settle([&] { return windows.TopLevelWindowExists("画像の設定"); }));
    struct Case {
        const char* title;
        bool found;
    } cases[] = {{"LumoraScreenSaver Setting", true},
                 {"LumoraScreenSaver", false},
                 {"LumoraScreenSaver Setting ", false},
                 {"lumorascreensaver setting", true},
                 {"LUMORASCREENSAVER SETTING", true},
                 {"画像の設定", true},
                 {"画像", false},
                 {"", false}};
    for (const Case& c : cases)
        EXPECT_EQ(windows.TopLevelWindowExists(c.title), c.found) << c.title;

    // A window of another program counts as well, by its old-style name alone.
    const Window foreign = MakeHost(50, 50);
    XStoreName(other, foreign, "Someone Else");
    XSync(other, False);
    EXPECT_TRUE(windows.TopLevelWindowExists("Someone Else"));
    XDestroyWindow(other, foreign);
    XSync(other, False);
    EXPECT_FALSE(windows.TopLevelWindowExists("Someone Else"));
}

platform::PreviewDesign PreviewDesign() {
    platform::PreviewDesign design;
    design.Client = {312, 213};
    design.Background = Rgb(0, 0, 0);
    platform::LabelDesign label;
    label.Caption = "LumoraScr";
    label.FontFace = "ＭＳ ゴシック";
    label.FontPoints = 14.25;
    label.TextColor = Rgb(0x60, 0x60, 0x60);
    label.Bounds = {8, 8, 193, 65};
    design.Labels.push_back(label);
    label.TextColor = platform::SystemColor(2);
    label.Bounds = {7, 7, 192, 64};
    design.Labels.push_back(label);
    return design;
}

TEST_F(QtX11, PreviewLivesInsideItsHostAndEndsWithIt) {
    const Window host = MakeHost(400, 300);
    auto preview = windows.CreatePreviewWindow(PreviewDesign());
    preview->SetPosition(0, 0);
    preview->SetCaption("Preview");
    preview->MakeChildOf(static_cast<platform::NativeHandle>(host));
    preview->Show();
    const Window own = static_cast<Window>(preview->Handle());
    ASSERT_TRUE(Settle([&] { return ParentOf(own) == host && PixelOf(host, 300, 200) == 0; }));
    EXPECT_EQ(PixelOf(host, 350, 250), Rgb(255, 255, 255)) << "the host shows beyond the preview";
    bool inked = false;
    for (int x = 7; x < 120 && !inked; ++x)
        for (int y = 7; y < 40 && !inked; ++y)
            inked = PixelOf(host, x, y) != 0;
    EXPECT_TRUE(inked) << "the name is drawn";

    // The message loop ends once the host is gone.
    bool gaveUp = false;
    QTimer::singleShot(100, [&] {
        XDestroyWindow(other, host);
        XSync(other, False);
    });
    QTimer::singleShot(20000, [&] {
        gaveUp = true;
        platform::qt::QuitMessageLoop();
    });
    windows.RunMessageLoop();
    EXPECT_FALSE(gaveUp);
    preview.reset();
}

struct SaverRecorder : platform::SaverEvents {
    int keys = 0, buttons = 0, moves = 0, closeRequests = 0;
    void OnKeyDown(int) override { ++keys; }
    void OnMouseDown(int) override { ++buttons; }
    void OnMouseMove(double, double) override { ++moves; }
    void OnCloseRequest() override { ++closeRequests; }
};

// A surface of one colour, to be copied onto a window.
std::unique_ptr<platform::Surface> Plain(platform::Color color) {
    auto surface = under_test::Drawing().CreateSurface(64, 64);
    surface->Dc().Fill({0, 0, 64, 64}, color);
    return surface;
}

TEST_F(QtX11, SaverWindowCoversTheScreenAndKeepsWhatWasRevealed) {
    SaverRecorder events;
    auto saver = windows.CreateSaverWindow(events, 0);
    saver->Show();
    saver->Maximize();
    saver->MakeTopmost();
    const int width = DisplayWidth(other, DefaultScreen(other));
    const int height = DisplayHeight(other, DefaultScreen(other));
    const Window root = DefaultRootWindow(other);
    ASSERT_TRUE(Settle([&] { return PixelOf(root, width - 1, height - 1) == Rgb(0, 0, 64); }));
    EXPECT_EQ(saver->ClientSize().Width, width);
    EXPECT_EQ(saver->ClientSize().Height, height);

    // Two canvases revealed in turn, the second over part of the first; the window keeps no
    // copy of them and repaints each part from the canvas it came from.
    auto canvas = [&](platform::Color color) {
        auto surface = under_test::Drawing().CreateSurface(width, height);
        surface->Dc().Fill({0, 0, width, height}, color);
        return surface;
    };
    const auto red = canvas(Rgb(255, 0, 0));
    const auto green = canvas(Rgb(0, 255, 0));
    saver->Reveal(*red, {100, 100, 150, 140});
    saver->Reveal(*green, {130, 100, 150, 140});
    ASSERT_TRUE(Settle([&] { return PixelOf(root, 140, 120) == Rgb(0, 255, 0); }));
    EXPECT_EQ(PixelOf(root, 120, 120), Rgb(255, 0, 0));

    // Another window over the revealed parts, then gone: they show again, the rest navy.
    const Window cover = MakeHost(300, 300);
    ASSERT_TRUE(Settle([&] { return PixelOf(root, 120, 120) == Rgb(255, 255, 255); }));
    XDestroyWindow(other, cover);
    XSync(other, False);
    EXPECT_TRUE(Settle([&] { return PixelOf(root, 120, 120) == Rgb(255, 0, 0); }));
    EXPECT_EQ(PixelOf(root, 140, 120), Rgb(0, 255, 0));
    EXPECT_EQ(PixelOf(root, 200, 200), Rgb(0, 0, 64));

    // SIGTERM asks the saver to end through its events.
    std::raise(SIGTERM);
    EXPECT_TRUE(Settle([&] { return events.closeRequests == 1; }));
    saver->Close();
    windows.RunMessageLoop(); // nothing is left open: returns at once
}

TEST_F(QtX11, HostedSaverDrawsIntoTheHostAndLeavesItsInputAlone) {
    const Window host = MakeHost(320, 200);
    SaverRecorder events;
    auto saver = windows.CreateSaverWindow(events, static_cast<platform::NativeHandle>(host));
    EXPECT_EQ(saver->ClientSize(), (platform::Size{320, 200}));
    EXPECT_EQ(platform::qt::ScreenService().PrimarySize(), (platform::Size{320, 200}));
    saver->Show();
    saver->Maximize();
    ASSERT_TRUE(Settle([&] { return PixelOf(host, 300, 190) == Rgb(0, 0, 64); }));
    const auto green = Plain(Rgb(0, 255, 0));
    saver->Dc().CopyFrom(10, 20, 30, 30, green->Dc(), 0, 0);
    EXPECT_TRUE(Settle([&] { return PixelOf(host, 15, 25) == Rgb(0, 255, 0); }));

    XWindowAttributes attributes{};
    XGetWindowAttributes(other, host, &attributes);
    EXPECT_EQ(attributes.all_event_masks & (KeyPressMask | ButtonPressMask | PointerMotionMask), 0);

    // Another window over the host, then gone: what was drawn shows again. The screen is read
    // through the root, as a covered window's own pixels are undefined.
    const Window root = DefaultRootWindow(other);
    const Window cover = MakeHost(100, 100);
    ASSERT_TRUE(Settle([&] { return PixelOf(root, 15, 25) == Rgb(255, 255, 255); }));
    XDestroyWindow(other, cover);
    XSync(other, False);
    EXPECT_TRUE(Settle([&] { return PixelOf(root, 15, 25) == Rgb(0, 255, 0); }));
    EXPECT_EQ(PixelOf(root, 80, 80), Rgb(0, 0, 64));
    EXPECT_EQ(events.closeRequests, 0);

    XDestroyWindow(other, host);
    XSync(other, False);
    EXPECT_TRUE(Settle([&] { return events.closeRequests > 0; }));
    saver->Close();
    EXPECT_NE(platform::qt::ScreenService().PrimarySize(), (platform::Size{320, 200}));
}

TEST_F(QtX11, HostedSaverWithoutItsWindowAsksToEnd) {
    const Window gone = MakeHost(50, 50);
    XDestroyWindow(other, gone);
    XSync(other, False);
    SaverRecorder events;
    auto saver = windows.CreateSaverWindow(events, static_cast<platform::NativeHandle>(gone));
    EXPECT_EQ(saver->ClientSize(), (platform::Size{0, 0}));
    EXPECT_TRUE(Settle([&] { return events.closeRequests == 1; }));
    saver->Close();
}

} // namespace

namespace {

TEST(QtWindows, PointerIsHiddenWhileTheDisplayCountIsNegative) {
    auto& windows = platform::qt::WindowsService();
    auto hidden = [] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor && cursor->shape() == Qt::BlankCursor;
    };
    windows.ShowCursor(false);
    EXPECT_TRUE(hidden());
    windows.ShowCursor(false);
    windows.ShowCursor(true);
    EXPECT_TRUE(hidden()) << "two hides need two shows";
    windows.ShowCursor(true);
    EXPECT_FALSE(hidden());
    windows.ShowCursor(true);
    windows.ShowCursor(false);
    EXPECT_FALSE(hidden()) << "a count of 0 shows the pointer";
}

TEST(QtWindows, WithoutAnXServerNothingIsFound) {
    if (std::getenv("DISPLAY")) GTEST_SKIP() << "an X server is there";
    auto& windows = platform::qt::WindowsService();
    EXPECT_FALSE(windows.TopLevelWindowExists("LumoraScreenSaver Setting"));
    EXPECT_EQ(windows.RootWindow(), 0);
}

} // namespace

// The density comes from the desktop's Xft.dpi resource, read anew each time; a setting that
// is missing or broken leaves Qt's own scale (1 on this server, so 96 dpi).
TEST_F(QtX11, DensityFollowsTheXftResource) {
    const Window root = DefaultRootWindow(other);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(other, root, XA_RESOURCE_MANAGER, 0, 1 << 20, False, XA_STRING, &type,
                       &format, &count, &after, &data);
    const std::string saved = data ? std::string(reinterpret_cast<char*>(data), count) : "";
    if (data) XFree(data);
    const auto setResources = [&](const std::string& text) {
        XChangeProperty(other, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
        XSync(other, False);
    };
    const struct {
        const char* resources;
        double dpi;
    } cases[] = {
        {"Xft.antialias:\t1\nXft.dpi:\t192\n", 192},
        {"Xft.dpi: 120.5", 120.5},
        {"Xft.dpi:\tlarge\n", 96},
        {"Xft.dpi:\t100000\n", 96},
        {"*.dpi:\t192\n", 96},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resources);
        setResources(c.resources);
        EXPECT_EQ(platform::qt::ScreenService().Dpi(), c.dpi);
    }
    XDeleteProperty(other, root, XA_RESOURCE_MANAGER);
    XSync(other, False);
    EXPECT_EQ(platform::qt::ScreenService().Dpi(), 96);
    if (type == XA_STRING) setResources(saved);
}
