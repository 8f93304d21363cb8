// The settings dialog as a real Win32 window: layout, list, buttons, close box and file drops.
#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <optional>
#include <thread>

#include "platform/win32/win32_services.h"
#include "platform/win32/win32_windows.h"

namespace win32 = platform::win32;
using platform::ControlKind;

namespace {

platform::DialogDesign SettingDesign() {
    platform::DialogDesign d;
    d.Caption = "LumoraScreenSaver Setting";
    d.Client = {406, 346};
    d.Controls = {
        {ControlKind::GroupBox, "Frame1", -1, "画像", "", {8, 32, 393, 225}, 2, ""},
        {ControlKind::Label,
         "lblTitle",
         -1,
         "表示する画像リスト",
         "",
         {16, 16, 161, 33},
         4,
         "Frame1"},
        {ControlKind::ListBox,
         "lstFile",
         -1,
         "",
         "画像ファイルをドロップしてください",
         {16, 32, 369, 132},
         3,
         "Frame1"},
        {ControlKind::Button, "BTN", 0, "登録", "", {8, 312, 73, 337}, 0, ""},
        {ControlKind::Button, "BTN", 2, "削除", "", {80, 312, 145, 337}, 5, ""},
        {ControlKind::Button, "BTN", 1, "閉じる", "", {328, 312, 393, 337}, 1, ""},
    };
    d.FocusOnOpen = "BTN:0";
    return d;
}

struct RecordingEvents : platform::SettingsDialogEvents {
    std::vector<int> buttons;
    std::vector<std::optional<std::vector<std::string>>> drops;
    void OnButton(int index) override { buttons.push_back(index); }
    void OnDrop(const std::optional<std::vector<std::string>>& files) override {
        drops.push_back(files);
    }
};

struct DialogFixture : testing::Test {
    RecordingEvents events;
    std::unique_ptr<platform::SettingsDialogView> view =
        win32::ControlsService().CreateSettingsDialog(SettingDesign(), events, 1);
    HWND dialog = win32::WindowOf(*view);

    HWND Control(const wchar_t* cls, const wchar_t* text) {
        return FindWindowExW(dialog, nullptr, cls, text);
    }
    HWND List() { return Control(L"ListBox", nullptr); }
    RECT ClientRectOf(HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

// Where each control sits in the dialog's client area at 96 dpi.
struct PlacedCase {
    const wchar_t* cls;
    const wchar_t* text;
    RECT expected;
};
const PlacedCase Placed[] = {
    {L"Button", L"\u753B\u50CF", {8, 32, 393, 225}}, // 画像
    {L"Static", L"\u8868\u793A\u3059\u308B\u753B\u50CF\u30EA\u30B9\u30C8", {24, 48, 169, 65}},
    {L"ListBox", nullptr, {24, 64, 377, 164}},
    {L"Button", L"\u767B\u9332", {8, 312, 73, 337}},          // 登録
    {L"Button", L"\u524A\u9664", {80, 312, 145, 337}},        // 削除
    {L"Button", L"\u9589\u3058\u308B", {328, 312, 393, 337}}, // 閉じる
};

int FontHeight(HWND control) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
}

// A shell drop of `paths` as the system hands it to a window that accepts files.
HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& p : paths)
        list += p + L'\0';
    list += L'\0';
    const std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(),
                list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
}

} // namespace

TEST_F(DialogFixture, ControlsSitWhereTheDesignPutsThemAt96Dpi) {
    ASSERT_TRUE(IsWindow(dialog));
    if (win32::ScreenDpi() != 96) GTEST_SKIP() << "the screen is not at 96 dpi";
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 406);
    EXPECT_EQ(client.bottom, 346);
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);

    for (const PlacedCase& c : Placed) {
        HWND control = Control(c.cls, c.text);
        ASSERT_TRUE(control) << (c.text ? c.text - c.text : 0);
        const RECT r = ClientRectOf(control);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
    const LONG list = GetWindowLongW(List(), GWL_STYLE);
    EXPECT_TRUE(list & LBS_NOTIFY);
    EXPECT_FALSE(list & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
    EXPECT_EQ(GetWindowLongW(Control(L"Button", L"\u753B\u50CF"), GWL_STYLE) & BS_TYPEMASK,
              BS_GROUPBOX);
    EXPECT_TRUE(GetWindowLongW(List(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(DialogFixture, DpiChangeMovesEveryControlAndScalesTheFont) {
    ASSERT_TRUE(IsWindow(dialog));
    const int startDpi = win32::ScreenDpi();
    const int startFont = FontHeight(Control(L"Button", L"\u767B\u9332"));
    ASSERT_GT(startFont, 0);
    const auto style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE));
    // Up, further up, down, and back to the plain 96: each step from the one before.
    for (int dpi : {144, 192, 120, 96}) {
        SCOPED_TRACE(dpi);
        auto scaled = [dpi](LONG at96) { return MulDiv(at96, dpi, 96); };
        // The rectangle the system proposes: the scaled client area with its frame.
        RECT suggested{0, 0, scaled(406), scaled(346)};
        AdjustWindowRectEx(&suggested, style, FALSE, exStyle);
        OffsetRect(&suggested, 50 - suggested.left, 40 - suggested.top);
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));

        RECT frame, client;
        GetWindowRect(dialog, &frame);
        GetClientRect(dialog, &client);
        EXPECT_EQ(frame.left, 50);
        EXPECT_EQ(frame.top, 40);
        EXPECT_EQ(client.right, scaled(406));
        EXPECT_EQ(client.bottom, scaled(346));
        for (const PlacedCase& c : Placed) {
            HWND control = Control(c.cls, c.text);
            ASSERT_TRUE(control);
            const RECT r = ClientRectOf(control);
            EXPECT_EQ(r.left, scaled(c.expected.left));
            EXPECT_EQ(r.top, scaled(c.expected.top));
            EXPECT_EQ(r.right - r.left, scaled(c.expected.right - c.expected.left));
            EXPECT_EQ(r.bottom - r.top, scaled(c.expected.bottom - c.expected.top));
            EXPECT_NEAR(FontHeight(control), MulDiv(startFont, dpi, startDpi), 1);
        }
    }
}

TEST_F(DialogFixture, TabFollowsTheTabIndexAndTheFirstButtonHasTheFocus) {
    view->Show();
    HWND save = Control(L"Button", L"\u767B\u9332");
    HWND close = Control(L"Button", L"\u9589\u3058\u308B");
    HWND remove = Control(L"Button", L"\u524A\u9664");
    EXPECT_EQ(GetFocus(), save);
    HWND order[] = {save, close, List(), remove, save};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(GetNextDlgTabItem(dialog, order[i], FALSE), order[i + 1]);
    // TAB typed into the dialog moves the focus through the message loop.
    SetFocus(save);
    MSG key{save, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(dialog, &key));
    EXPECT_EQ(GetFocus(), close);
}

TEST_F(DialogFixture, ChildrenUseAFontThatDrawsJapanese) {
    HWND save = Control(L"Button", L"\u767B\u9332");
    auto font = reinterpret_cast<HFONT>(SendMessageW(save, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(List(), WM_GETFONT, 0, 0)));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    WORD glyphs[4] = {};
    GetGlyphIndicesW(dc, L"\u753B\u50CF\u767B\u9332", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteDC(dc);
    for (WORD g : glyphs)
        EXPECT_NE(g, 0xFFFF);
}

TEST_F(DialogFixture, ListKeepsInsertionOrderAndOneSelection) {
    view->ListAppend("zebra.jpg");
    view->ListAppend("apple.bmp");
    view->ListAppend("");
    view->ListAppend("海.jpg");
    EXPECT_EQ(view->ListCount(), 4);
    EXPECT_EQ(view->ListSelectedIndex(), -1);
    wchar_t text[32] = {};
    SendMessageW(List(), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"zebra.jpg");
    SendMessageW(List(), LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"\u6D77.jpg");
    SendMessageW(List(), LB_SETCURSEL, 1, 0);
    EXPECT_EQ(view->ListSelectedIndex(), 1);
    view->ListDelete(1);
    EXPECT_EQ(view->ListCount(), 3);
    EXPECT_EQ(view->ListSelectedIndex(), -1);
    view->ListDelete(-1);
    view->ListDelete(99);
    EXPECT_EQ(view->ListCount(), 3);
    view->ListClear();
    EXPECT_EQ(view->ListCount(), 0);
}

TEST_F(DialogFixture, ButtonsAndTheCloseBoxReportTheirIndex) {
    SendMessageW(Control(L"Button", L"\u524A\u9664"), BM_CLICK, 0, 0);
    SendMessageW(Control(L"Button", L"\u767B\u9332"), BM_CLICK, 0, 0);
    SendMessageW(Control(L"Button", L"\u9589\u3058\u308B"), BM_CLICK, 0, 0);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    win32::WindowsService().PumpMessages();
    EXPECT_EQ(events.buttons, (std::vector<int>{2, 0, 1, 1}));
    EXPECT_TRUE(IsWindow(dialog)); // closing is the dialog's own decision

    view->SetCaption("LumoraScreenSaver Setting");
    EXPECT_EQ(view->Caption(), "LumoraScreenSaver Setting");
    EXPECT_TRUE(win32::WindowsService().TopLevelWindowExists("LumoraScreenSaver Setting"));
    view->Close();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(win32::WindowsService().TopLevelWindowExists("LumoraScreenSaver Setting"));
}

TEST_F(DialogFixture, ShellDropDeliversEveryPathInOrder) {
    PostMessageW(List(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(
                     MakeDrop({L"C:\\Pictures\\Beach.JPG", L"C:\\\u5199\u771F\\\u6D77.jpg"})),
                 0);
    win32::WindowsService().PumpMessages();
    ASSERT_EQ(events.drops.size(), 1u);
    ASSERT_TRUE(events.drops[0].has_value());
    EXPECT_EQ(*events.drops[0],
              (std::vector<std::string>{"C:\\Pictures\\Beach.JPG", "C:\\写真\\海.jpg"}));
}

TEST_F(DialogFixture, MessageBoxHasTheTextTitleOkButtonAndInformationIcon) {
    std::wstring seenText;
    bool hasIcon = false;
    int buttons = 0;
    std::thread answer([&] {
        for (int i = 0; i < 200; ++i) {
            HWND box = FindWindowW(L"#32770", L"LumoraScreenSaver Setting");
            if (box && IsWindowVisible(box)) {
                for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                    wchar_t cls[32] = {}, text[128] = {};
                    GetClassNameW(c, cls, 32);
                    GetWindowTextW(c, text, 128);
                    if (std::wstring(cls) == L"Button") ++buttons;
                    if (std::wstring(cls) == L"Static" && text[0]) seenText = text;
                    if (std::wstring(cls) == L"Static" &&
                        (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                        hasIcon = true;
                }
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    });
    view->MessageBox("画像ファイルを指定してください。", "LumoraScreenSaver Setting");
    answer.join();
    EXPECT_EQ(seenText, L"\u753B\u50CF\u30D5\u30A1\u30A4\u30EB\u3092\u6307\u5B9A\u3057\u3066"
                        L"\u304F\u3060\u3055\u3044\u3002");
    EXPECT_TRUE(hasIcon);
    EXPECT_EQ(buttons, 1);
}

// The label overlaps the list box's top border: it paints its text only, after the controls
// below it, so the border stays; the group box caption keeps the dialog's face behind it.
TEST_F(DialogFixture, TheLabelIsTransparent) {
    HWND label = Control(L"Static", nullptr);
    ASSERT_TRUE(label);
    EXPECT_TRUE(GetWindowLongW(label, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    HDC dc = CreateCompatibleDC(nullptr);
    const struct {
        HWND control;
        HGDIOBJ brush;
    } cases[] = {{label, GetStockObject(NULL_BRUSH)},
                 {Control(L"Button", L"\u753B\u50CF"), GetSysColorBrush(COLOR_BTNFACE)}};
    for (const auto& c : cases)
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_CTLCOLORSTATIC,
                                                         reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(c.control))),
                  c.brush);
    DeleteDC(dc);
}
