// The window services against real windows: lookup by title, the preview inside a host, the
// saver window's input and repaint.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/shared/platform_under_test.h"
#include "platform/win32/codepage.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_windows.h"

using platform::Rgb;
namespace win32 = platform::win32;

namespace {

LRESULT CALLBACK PlainProcedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, message, wp, lp);
}

// A plain top-level window standing in for another program's window.
HWND MakeForeignWindow(const std::wstring& title, DWORD style = WS_OVERLAPPEDWINDOW) {
    win32::RegisterWindowClass(L"LumoraTestHost", &PlainProcedure,
                               reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return CreateWindowExW(0, L"LumoraTestHost", title.c_str(), style, 50, 50, 500, 400, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

struct RecordingEvents : platform::SaverEvents {
    std::vector<int> keys, buttons;
    std::vector<std::pair<double, double>> moves;
    int closeRequests = 0;
    void OnKeyDown(int key) override { keys.push_back(key); }
    void OnMouseDown(int button) override { buttons.push_back(button); }
    void OnMouseMove(double x, double y) override { moves.emplace_back(x, y); }
    void OnCloseRequest() override { ++closeRequests; }
};

} // namespace

TEST(Win32Windows, TopLevelLookupMatchesTheExactTitleOnly) {
    platform::Windows& windows = win32::WindowsService();
    HWND setting = MakeForeignWindow(L"LumoraScreenSaver Setting");
    HWND japanese = MakeForeignWindow(L"\u8A2D\u5B9A\u753B\u9762"); // 設定画面
    HWND child = CreateWindowExW(0, L"STATIC", L"LumoraChildOnly", WS_CHILD, 0, 0, 10, 10, setting,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    struct Case {
        const char* title;
        bool found;
    };
    const Case cases[] = {
        {"LumoraScreenSaver Setting", true},
        {"LumoraScreenSaver", false},
        {"LumoraScreenSaver Setting ", false},
        {"LumoraScreenSaver  Setting", false},
        {"設定画面", true},
        {"設定", false},
        {"LumoraChildOnly", false}, // child windows are not top-level
    };
    for (const Case& c : cases)
        EXPECT_EQ(windows.TopLevelWindowExists(c.title), c.found) << c.title;
    ASSERT_TRUE(child);
    DestroyWindow(setting);
    DestroyWindow(japanese);
    EXPECT_FALSE(windows.TopLevelWindowExists("LumoraScreenSaver Setting"));
}

TEST(Win32Windows, PreviewSitsAtTheHostsTopLeftAndGoesWithTheHost) {
    platform::Windows& windows = win32::WindowsService();
    HWND host = MakeForeignWindow(L"Display Properties");
    ShowWindow(host, SW_SHOW);
    const int before = win32::OpenProgramWindows();

    platform::PreviewDesign design;
    design.Client = {312, 213};
    design.Background = Rgb(0, 0, 0);
    platform::LabelDesign label;
    label.Caption = "LumoraScr";
    label.TextColor = Rgb(255, 255, 0);
    label.FontFace = "ＭＳ ゴシック";
    label.FontPoints = 14.25;
    label.CharSet = 128;
    label.Bounds = {7, 7, 7 + 185, 7 + 57};
    design.Labels = {label};
    auto preview = windows.CreatePreviewWindow(design);
    HWND hwnd = reinterpret_cast<HWND>(preview->Handle());
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(win32::OpenProgramWindows(), before + 1);

    preview->SetPosition(0, 0);
    preview->SetCaption("Preview");
    preview->MakeChildOf(reinterpret_cast<std::intptr_t>(host));
    preview->Show();
    windows.PumpMessages();
    UpdateWindow(hwnd);

    EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), host);
    EXPECT_TRUE(IsChild(host, hwnd));
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD);
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 312);
    EXPECT_EQ(r.bottom, 213);
    wchar_t title[32] = {};
    GetWindowTextW(hwnd, title, 32);
    EXPECT_EQ(std::wstring(title), L"Preview");
    // A child is not a top-level window: a running preview blocks no new start.
    EXPECT_FALSE(windows.TopLevelWindowExists("Preview"));

    // Black background, the name drawn in the label's colour inside its bounds.
    EXPECT_EQ(ScreenPixel(hwnd, 300, 200), RGB(0, 0, 0));
    int yellow = 0;
    for (int y = 7; y < 64; ++y)
        for (int x = 7; x < 192; ++x)
            yellow += ScreenPixel(hwnd, x, y) == RGB(255, 255, 0);
    EXPECT_GT(yellow, 30);

    DestroyWindow(host);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(preview->Handle(), 0);
    EXPECT_EQ(win32::OpenProgramWindows(), before);
    // With no window of the program left the loop returns at once.
    if (before == 0) windows.RunMessageLoop();
}

TEST(Win32Windows, PreviewWithoutHostStaysTopLevel) {
    auto preview = win32::WindowsService().CreatePreviewWindow({{312, 213}, 0, {}});
    HWND hwnd = reinterpret_cast<HWND>(preview->Handle());
    preview->MakeChildOf(0);
    preview->Show();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), GetDesktopWindow());
    preview.reset();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Win32Windows, SaverWindowCoversTheScreenAndReportsInput) {
    RecordingEvents events;
    auto saver = win32::WindowsService().CreateSaverWindow(events, 0);
    HWND hwnd = win32::WindowOf(*saver);
    ASSERT_TRUE(IsWindow(hwnd));
    saver->Show();
    saver->Maximize();
    saver->MakeTopmost();
    const platform::Size screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_EQ(saver->ClientSize(), screen);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 0);

    win32::WindowsService().PumpMessages();
    events = RecordingEvents{};
    PostMessageW(hwnd, WM_KEYDOWN, 'A', 0);
    PostMessageW(hwnd, WM_SYSKEYDOWN, VK_MENU, 0);
    PostMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(30, 40));
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    win32::WindowsService().PumpMessages();
    EXPECT_EQ(events.keys, (std::vector<int>{'A', VK_MENU}));
    EXPECT_EQ(events.buttons, std::vector<int>{2});
    // The system may add a move of its own from where the real pointer is (Wine does when
    // the window appears under it), before or after the one posted here.
    EXPECT_NE(std::find(events.moves.begin(), events.moves.end(),
                        std::pair<double, double>{30, 40}),
              events.moves.end());
    EXPECT_EQ(events.closeRequests, 1);
    EXPECT_TRUE(IsWindow(hwnd)); // a close request is only reported

    saver->Close();
    EXPECT_FALSE(IsWindow(hwnd));
    saver->Close(); // closing twice is harmless
}

TEST(Win32Windows, SaverRepaintShowsWhatWasLastCopiedAndNavyElsewhere) {
    RecordingEvents events;
    auto saver = win32::WindowsService().CreateSaverWindow(events, 0);
    HWND hwnd = win32::WindowOf(*saver);
    saver->Show();
    saver->Maximize();
    win32::WindowsService().PumpMessages();

    auto canvas = under_test::Drawing().CreateSurface(200, 200);
    canvas->Dc().Fill({0, 0, 200, 200}, Rgb(250, 120, 10));
    saver->Dc().CopyFrom(10, 20, 100, 50, canvas->Dc(), 0, 0);
    EXPECT_EQ(ScreenPixel(hwnd, 50, 40), RGB(250, 120, 10));
    // A canvas revealed over part of it: shown from the canvas, which the window does not copy.
    auto green = under_test::Drawing().CreateSurface(200, 200);
    green->Dc().Fill({0, 0, 200, 200}, Rgb(0, 200, 0));
    saver->Reveal(*green, {80, 20, 150, 70});
    EXPECT_EQ(ScreenPixel(hwnd, 100, 40), RGB(0, 200, 0));

    // Something else covered the window: the system asks for a repaint of all of it.
    HDC dc = GetDC(hwnd);
    RECT all;
    GetClientRect(hwnd, &all);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(hwnd, dc);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    EXPECT_EQ(ScreenPixel(hwnd, 50, 40), RGB(250, 120, 10));
    EXPECT_EQ(ScreenPixel(hwnd, 79, 69), RGB(250, 120, 10));
    EXPECT_EQ(ScreenPixel(hwnd, 100, 40), RGB(0, 200, 0));
    EXPECT_EQ(ScreenPixel(hwnd, 149, 69), RGB(0, 200, 0));
    EXPECT_EQ(ScreenPixel(hwnd, 150, 40), RGB(0, 0, 64));
    EXPECT_EQ(ScreenPixel(hwnd, 300, 300), RGB(0, 0, 64));
    saver->Close();
}

TEST(Win32Windows, HostedSaverCoversTheHostsClientArea) {
    RecordingEvents events;
    HWND host = MakeForeignWindow(L"saver host");
    auto saver =
        win32::WindowsService().CreateSaverWindow(events, reinterpret_cast<std::intptr_t>(host));
    HWND hwnd = win32::WindowOf(*saver);
    saver->Maximize();
    RECT client;
    GetClientRect(host, &client);
    EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), host);
    EXPECT_EQ(saver->ClientSize(), (platform::Size{client.right, client.bottom}));
    EXPECT_EQ(events.closeRequests, 0);
    // The host goes away and takes the saver's window with it: the saver is asked to end.
    DestroyWindow(host);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(events.closeRequests, 1);
    saver->Close();
    EXPECT_EQ(events.closeRequests, 1);
}

TEST(Win32Windows, SaverEndsItselfOnlyWhenItsWindowIsGoneOrNeverCame) {
    // A host handle that names no window: nothing to draw into.
    RecordingEvents orphan;
    HWND gone = MakeForeignWindow(L"gone host");
    DestroyWindow(gone);
    auto hosted =
        win32::WindowsService().CreateSaverWindow(orphan, reinterpret_cast<std::intptr_t>(gone));
    EXPECT_EQ(win32::WindowOf(*hosted), nullptr);
    EXPECT_EQ(orphan.closeRequests, 1);

    // The saver's own close, or its owner going away, asks for nothing.
    RecordingEvents own;
    auto saver = win32::WindowsService().CreateSaverWindow(own, 0);
    ASSERT_TRUE(IsWindow(win32::WindowOf(*saver)));
    saver->Close();
    saver.reset();
    hosted.reset();
    EXPECT_EQ(own.closeRequests, 0);
}
