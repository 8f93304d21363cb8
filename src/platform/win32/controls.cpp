#include "windows_api.h"
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "codepage.h"
#include "format_notice.h"
#include "dialog_font.h"
#include "gdi_handles.h"
#include "win32_services.h"
#include "win32_windows.h"

namespace platform::win32 {
namespace {

constexpr wchar_t DialogClass[] = L"LumoraScrSetting";
// Control ids start past IDOK and IDCANCEL, which the dialog keys send.
constexpr int FirstControlId = 100;

class Win32SettingsDialog : public SettingsDialogView {
  public:
    Win32SettingsDialog(const DialogDesign& design, SettingsDialogEvents& events,
                        int closeButtonIndex)
        : design_(design), events_(events), closeButtonIndex_(closeButtonIndex), dpi_(ScreenDpi()),
          font_(CreateDialogFont(dpi_)) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterWindowClass(DialogClass, &Procedure, GetSysColorBrush(COLOR_BTNFACE));

        const DWORD style = WS_OVERLAPPEDWINDOW;
        const DWORD exStyle = WS_EX_CONTROLPARENT;
        RECT frame{0, 0, Scaled(design.Client.Width), Scaled(design.Client.Height)};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        CreateWindowExW(exStyle, DialogClass, Utf8ToWide(design.Caption).c_str(), style,
                        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                        this);
        if (hwnd_) CreateControls();
        if (hwnd_) DragAcceptFiles(hwnd_, TRUE);
        // A window that opens on a monitor of other dots per inch than the screen's.
        if (hwnd_ && WindowDpi(hwnd_) != dpi_) ApplyDpi(WindowDpi(hwnd_), nullptr);
    }

    ~Win32SettingsDialog() override { Close(); }

    void SetCaption(const std::string& caption) override {
        if (hwnd_) SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
    }

    std::string Caption() override {
        if (!hwnd_) return design_.Caption;
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
        return WideToUtf8(text);
    }

    void Show() override {
        if (!hwnd_) return;
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
        SetForegroundWindow(hwnd_);
        if (HWND focus = ControlNamed(design_.FocusOnOpen)) SetFocus(focus);
    }

    void Close() override {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    void ListClear() override { SendToList(LB_RESETCONTENT, 0, 0); }

    using SettingsDialogView::ListAppend;
    void ListAppend(const std::string& line) override {
        const std::wstring text = Utf8ToWide(line);
        SendToList(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    void ListAppend(const std::vector<std::string>& lines) override {
        if (!list_) return;
        SendToList(WM_SETREDRAW, FALSE, 0);
        SendToList(LB_INITSTORAGE, lines.size(), static_cast<LPARAM>(lines.size() * 32));
        for (const std::string& line : lines) ListAppend(line);
        SendToList(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }

    void ListDelete(int index) override {
        if (index >= 0) SendToList(LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    }

    int ListCount() override {
        return std::max(0, static_cast<int>(SendToList(LB_GETCOUNT, 0, 0)));
    }

    int ListSelectedIndex() override {
        const LRESULT index = SendToList(LB_GETCURSEL, 0, 0);
        return index < 0 ? -1 : static_cast<int>(index);
    }

    void MessageBox(const std::string& text, const std::string& title) override {
        MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(),
                    MB_OK | MB_ICONINFORMATION);
    }

    HWND Hwnd() const { return hwnd_; }

  private:
    int Scaled(int pixelsAt96) const { return MulDiv(pixelsAt96, dpi_, 96); }

    // Lays the dialog out anew at `dpi`: the frame at `suggested` (the rectangle the system
    // proposes on WM_DPICHANGED) or, without one, around the scaled client area where it stands;
    // every control at its scaled design bounds; a font of the size for `dpi`.
    void ApplyDpi(int dpi, const RECT* suggested) {
        if (dpi <= 0) return;
        dpi_ = dpi;
        UniqueFont font(CreateDialogFont(dpi_));
        RECT frame{};
        if (suggested) {
            frame = *suggested;
        } else {
            GetWindowRect(hwnd_, &frame);
            RECT size{0, 0, Scaled(design_.Client.Width), Scaled(design_.Client.Height)};
            AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
            frame.right = frame.left + (size.right - size.left);
            frame.bottom = frame.top + (size.bottom - size.top);
        }
        SetWindowPos(hwnd_, nullptr, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        for (const PlacedControl& placed : controls_) {
            SetWindowPos(placed.Window, nullptr, Scaled(placed.Bounds.Left),
                         Scaled(placed.Bounds.Top), Scaled(placed.Bounds.Width()),
                         Scaled(placed.Bounds.Height()), SWP_NOZORDER | SWP_NOACTIVATE);
            if (font)
                SendMessageW(placed.Window, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()),
                             TRUE);
        }
        if (font && toolTip_)
            SendMessageW(toolTip_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        // The controls hold the new font now; the old one may go.
        if (font) font_ = std::move(font);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    LRESULT SendToList(UINT message, WPARAM wp, LPARAM lp) {
        return list_ ? SendMessageW(list_, message, wp, lp) : -1;
    }

    const ControlDesign* DesignNamed(const std::string& name) const {
        for (const ControlDesign& c : design_.Controls)
            if (c.Name == name && c.Index < 0) return &c;
        return nullptr;
    }

    // "Name:Index" or "Name" to the control's window.
    HWND ControlNamed(const std::string& key) const {
        const std::size_t colon = key.find(':');
        const std::string name = key.substr(0, colon);
        const int index = colon == std::string::npos ? -1 : std::atoi(key.c_str() + colon + 1);
        for (std::size_t i = 0; i < design_.Controls.size(); ++i)
            if (design_.Controls[i].Name == name && design_.Controls[i].Index == index)
                return GetDlgItem(hwnd_, FirstControlId + static_cast<int>(i));
        return nullptr;
    }

    void CreateControls() {
        // Creating the controls in tab order gives the z-order that TAB follows.
        std::vector<std::size_t> order(design_.Controls.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return design_.Controls[a].TabIndex < design_.Controls[b].TabIndex;
        });
        for (std::size_t i : order)
            CreateControl(design_.Controls[i], FirstControlId + static_cast<int>(i));
    }

    void CreateControl(const ControlDesign& c, int id) {
        Rect bounds = c.Bounds;
        if (const ControlDesign* parent = c.Parent.empty() ? nullptr : DesignNamed(c.Parent)) {
            bounds.Left += parent->Bounds.Left;
            bounds.Right += parent->Bounds.Left;
            bounds.Top += parent->Bounds.Top;
            bounds.Bottom += parent->Bounds.Top;
        }
        const wchar_t* cls = L"BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (c.Kind) {
        case ControlKind::GroupBox:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::Label:
            // Transparent: painted after the controls below it and without a background of
            // its own, so it does not cover the list box's top border it overlaps.
            cls = L"STATIC";
            style |= SS_LEFT | SS_NOPREFIX;
            exStyle = WS_EX_TRANSPARENT;
            break;
        case ControlKind::ListBox:
            cls = L"LISTBOX";
            style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Button:
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        }
        HWND control = CreateWindowExW(
            exStyle, cls, Utf8ToWide(c.Text).c_str(), style, Scaled(bounds.Left),
            Scaled(bounds.Top), Scaled(bounds.Width()), Scaled(bounds.Height()), hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        if (!control) return;
        controls_.push_back({control, bounds});
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        if (c.Kind == ControlKind::ListBox) {
            list_ = control;
            DragAcceptFiles(control, TRUE);
            SetWindowSubclass(control, &ListProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
        }
        if (!c.ToolTip.empty()) AddToolTip(control, c.ToolTip);
    }

    void AddToolTip(HWND control, const std::string& text) {
        if (!toolTip_)
            toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
        if (!toolTip_) return;
        SendMessageW(toolTip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        std::wstring wide = Utf8ToWide(text);
        TOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = wide.data();
        SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }

    void OnDropFiles(HDROP drop) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        std::vector<std::string> files;
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            if (!path.empty()) files.push_back(WideToUtf8(path));
        }
        DragFinish(drop);
        if (files.empty())
            events_.OnDrop(std::nullopt);
        else
            events_.OnDrop(files);
    }

    void OnDropOnDialog(HDROP drop) {
        POINT at{};
        DragQueryPoint(drop, &at);
        RECT list{};
        if (list_ && GetWindowRect(list_, &list))
            MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&list), 2);
        if (list_ && PtInRect(&list, at))
            OnDropFiles(drop);
        else
            DragFinish(drop);
    }

    void OnCommand(int id, int code) {
        if (id == IDOK) {
            // Enter on a focused button presses it, as a dialog does.
            HWND focus = GetFocus();
            if (focus && GetParent(focus) == hwnd_) id = GetDlgCtrlID(focus), code = BN_CLICKED;
        }
        const int index = id - FirstControlId;
        if (code != BN_CLICKED || index < 0 || index >= static_cast<int>(design_.Controls.size()))
            return;
        const ControlDesign& c = design_.Controls[static_cast<std::size_t>(index)];
        if (c.Kind == ControlKind::Button) events_.OnButton(c.Index);
    }

    static LRESULT CALLBACK ListProcedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR data) {
        if (message == WM_DROPFILES) {
            reinterpret_cast<Win32SettingsDialog*>(data)->OnDropFiles(reinterpret_cast<HDROP>(wp));
            return 0;
        }
        if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &ListProcedure, 1);
        return DefSubclassProc(hwnd, message, wp, lp);
    }

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Win32SettingsDialog*>(
                reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->hwnd_ = hwnd;
            ProgramWindowOpened();
            AddDialogWindow(hwnd);
        }
        auto* self = reinterpret_cast<Win32SettingsDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, message, wp, lp);
        switch (message) {
        case WM_COMMAND:
            self->OnCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_CLOSE:
            self->events_.OnButton(self->closeButtonIndex_);
            return 0;
        case WM_DROPFILES:
            // Some drag sources deliver to the top-level window: take the drop when it was
            // released over the list, as if the list had received it.
            self->OnDropOnDialog(reinterpret_cast<HDROP>(wp));
            return 0;
        case WM_DPICHANGED:
            // Moved to a monitor of other dots per inch, or its scale changed.
            self->ApplyDpi(LOWORD(wp), reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_CTLCOLORSTATIC:
            // The group box caption shows the dialog's face colour behind it; the transparent
            // label paints its text only.
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            if (GetWindowLongPtrW(reinterpret_cast<HWND>(lp), GWL_EXSTYLE) & WS_EX_TRANSPARENT)
                return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_ACTIVATE:
            // Coming back to the dialog puts the focus back where the user left it.
            if (LOWORD(wp) == WA_INACTIVE) {
                self->lastFocus_ = GetFocus();
            } else if (self->lastFocus_ && IsChild(hwnd, self->lastFocus_)) {
                SetFocus(self->lastFocus_);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            RemoveDialogWindow(hwnd);
            self->hwnd_ = self->list_ = self->toolTip_ = self->lastFocus_ = nullptr;
            self->controls_.clear();
            ProgramWindowClosed();
            break;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wp, lp);
    }

    // A control's window and its bounds in the dialog at 96 dots per inch.
    struct PlacedControl {
        HWND Window;
        Rect Bounds;
    };

    DialogDesign design_;
    SettingsDialogEvents& events_;
    int closeButtonIndex_;
    int dpi_;
    UniqueFont font_;
    HWND hwnd_ = nullptr;
    HWND list_ = nullptr;
    HWND toolTip_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::vector<PlacedControl> controls_;
};

class Win32Controls : public Controls {
  public:
    std::unique_ptr<SettingsDialogView> CreateSettingsDialog(const DialogDesign& design,
                                                             SettingsDialogEvents& events,
                                                             int closeButtonIndex) override {
        return std::make_unique<Win32SettingsDialog>(design, events, closeButtonIndex);
    }
    std::string MissingFormatNotice(const std::string& extension) override {
        return MissingCodecNotice(extension);
    }
};

} // namespace

HWND WindowOf(SettingsDialogView& dialog) {
    auto* own = dynamic_cast<Win32SettingsDialog*>(&dialog);
    return own ? own->Hwnd() : nullptr;
}

Controls& ControlsService() {
    static Win32Controls controls;
    return controls;
}

} // namespace platform::win32
