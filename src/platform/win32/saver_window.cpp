#include <algorithm>
#include <optional>
#include <vector>

#include "codepage.h"
#include "gdi_dc.h"
#include "gdi_surface.h"
#include "win32_windows.h"

namespace platform::win32 {
namespace {

constexpr wchar_t SaverClass[] = L"LumoraScrSaver";
constexpr Color Navy = Rgb(0, 0, 64);

class Win32SaverWindow;

// Draws into the window's own kept image (made on first use) and shows the changed rectangle at
// once, so that a later repaint finds what was last shown.
class SaverDc : public GdiDc {
  public:
    explicit SaverDc(Win32SaverWindow& window);
    void DrawText(const std::string& text, const Rect& rect, unsigned format) override;
    void CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx,
                  int sy) override;
    void Fill(const Rect& rect, Color color) override;

  private:
    Win32SaverWindow& window_;
};

class Win32SaverWindow : public SaverWindow {
  public:
    // `monitor`: another monitor's rectangle in virtual-screen pixels; otherwise the primary
    // screen (no host) or the host's client area.
    Win32SaverWindow(SaverEvents& events, HWND host, std::optional<RECT> monitor = std::nullopt)
        : events_(events), host_(host), monitor_(monitor), dc_(*this) {
        // One brush for the class, made once: the class outlives every window of it.
        static const HBRUSH navy = CreateSolidBrush(ToColorRef(Navy));
        RegisterWindowClass(SaverClass, &Procedure, navy);
        const RECT area = Area();
        const DWORD style = host_ ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP;
        hwnd_ = CreateWindowExW(0, SaverClass, L"", style, area.left, area.top,
                                area.right - area.left, area.bottom - area.top, host_, nullptr,
                                GetModuleHandleW(nullptr), this);
        // A host that names no window leaves nothing to draw into: the saver should end
        // rather than run unseen.
        if (!hwnd_) events_.OnCloseRequest();
    }

    ~Win32SaverWindow() override { Close(); }

    void Show() override {
        if (!hwnd_) return;
        // A monitor window hidden when its monitor went goes back onto it.
        if (monitor_ && !IsWindowVisible(hwnd_)) Maximize();
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }

    void Maximize() override {
        if (!hwnd_) return;
        const RECT area = Area();
        SetWindowPos(hwnd_, nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void MakeTopmost() override {
        if (hwnd_)
            SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    Size ClientSize() override {
        RECT r{};
        if (hwnd_) GetClientRect(hwnd_, &r);
        return {r.right, r.bottom};
    }

    DeviceContext& Dc() override {
        if (!backing_.Width()) {
            const RECT area = Area();
            backing_.Resize(area.right - area.left, area.bottom - area.top, Navy);
        }
        return dc_;
    }

    // Straight from the canvas onto the screen; a repaint reads the canvas again.
    void Reveal(Surface& canvas, const Rect& area) override {
        const HDC source = DcOf(canvas);
        if (!source) return SaverWindow::Reveal(canvas, area);
        ShowFrom(source, area.Left, area.Top, area.Width(), area.Height());
    }

    void SetCaption(const std::string& caption) override {
        if (hwnd_) SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
    }

    void Close() override {
        closing_ = true;
        parts_.clear();
        if (hwnd_) DestroyWindow(hwnd_);
    }

    HWND Hwnd() const { return hwnd_; }
    HDC BackingDc() const { return backing_.Hdc(); }

    // Puts a rectangle of the kept image on the screen.
    void Present(int x, int y, int width, int height) {
        ShowFrom(backing_.Hdc(), x, y, width, height);
    }

    // Puts a rectangle of `source` on the screen and remembers where it came from.
    void ShowFrom(HDC source, int x, int y, int width, int height) {
        if (!hwnd_ || width <= 0 || height <= 0) return;
        UniqueRegion added(CreateRectRgn(x, y, x + width, y + height));
        Part* same = nullptr;
        for (Part& part : parts_) {
            if (part.source == source)
                same = &part;
            else
                CombineRgn(part.region.Get(), part.region.Get(), added.Get(), RGN_DIFF);
        }
        if (same)
            CombineRgn(same->region.Get(), same->region.Get(), added.Get(), RGN_OR);
        else
            parts_.push_back({source, std::move(added)});
        std::erase_if(parts_, [](const Part& part) {
            RECT box;
            return GetRgnBox(part.region.Get(), &box) == NULLREGION;
        });
        if (!IsWindowVisible(hwnd_)) return;
        WindowDc screen(hwnd_);
        BitBlt(screen.Get(), x, y, width, height, source, x, y, SRCCOPY);
    }

  private:
    RECT Area() const {
        if (monitor_) return *monitor_;
        RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (host_) GetClientRect(host_, &area);
        return area;
    }

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Win32SaverWindow*>(
                reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->hwnd_ = hwnd;
            ProgramWindowOpened();
        }
        auto* self = reinterpret_cast<Win32SaverWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) {
            LRESULT result = 0;
            if (self->Handle(message, wp, lp, result)) return result;
        }
        if (message == WM_NCDESTROY && self) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            ProgramWindowClosed();
            // Destroyed with its host window (or by anyone but the saver): the saver ends too.
            if (!self->closing_) self->events_.OnCloseRequest();
        }
        return DefWindowProcW(hwnd, message, wp, lp);
    }

    bool Handle(UINT message, WPARAM wp, LPARAM lp, LRESULT& result) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            events_.OnKeyDown(static_cast<int>(wp));
            return true;
        case WM_LBUTTONDOWN:
            events_.OnMouseDown(1);
            return true;
        case WM_RBUTTONDOWN:
            events_.OnMouseDown(2);
            return true;
        case WM_MBUTTONDOWN:
            events_.OnMouseDown(4);
            return true;
        case WM_XBUTTONDOWN:
            events_.OnMouseDown(GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? 8 : 16);
            result = TRUE;
            return true;
        case WM_MOUSEMOVE: {
            // Signed: a pointer left of or above a hosted window reports negative positions.
            POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            // Another monitor's window tells where on the desktop the pointer is.
            if (monitor_) ClientToScreen(hwnd_, &at);
            events_.OnMouseMove(at.x, at.y);
            return true;
        }
        case WM_DISPLAYCHANGE:
            // A monitor that goes away leaves its window to be moved onto another one: it is
            // hidden at once rather than cover that monitor's show until the saver's next look.
            if (monitor_ && !MonitorFromRect(&*monitor_, MONITOR_DEFAULTTONULL))
                ShowWindow(hwnd_, SW_HIDE);
            return false;
        case WM_CLOSE:
            // The saver ends through its own sequence, which closes the window.
            events_.OnCloseRequest();
            return true;
        case WM_SIZE:
            if (backing_.Width()) backing_.Resize(LOWORD(lp), HIWORD(lp), Navy);
            return false;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            const RECT& r = ps.rcPaint;
            // Each part from the image it was shown from; what none covers is navy.
            UniqueRegion rest(CreateRectRgnIndirect(&r));
            for (const Part& part : parts_) {
                SaveDC(dc);
                ExtSelectClipRgn(dc, part.region.Get(), RGN_AND);
                BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, part.source, r.left,
                       r.top, SRCCOPY);
                RestoreDC(dc, -1);
                CombineRgn(rest.Get(), rest.Get(), part.region.Get(), RGN_DIFF);
            }
            RECT box;
            if (GetRgnBox(rest.Get(), &box) != NULLREGION) {
                UniqueBrush navy(CreateSolidBrush(ToColorRef(Navy)));
                FillRgn(dc, rest.Get(), navy.Get());
            }
            EndPaint(hwnd_, &ps);
            return true;
        }
        default:
            return false;
        }
    }

    SaverEvents& events_;
    HWND host_;
    std::optional<RECT> monitor_;
    HWND hwnd_ = nullptr;
    // What the window shows, by the device context each part was shown from (window pixels).
    struct Part {
        HDC source;
        UniqueRegion region;
    };
    std::vector<Part> parts_;
    DibImage backing_;
    SaverDc dc_;
    bool closing_ = false;
};

SaverDc::SaverDc(Win32SaverWindow& window) : GdiDc(window.BackingDc()), window_(window) {}

void SaverDc::DrawText(const std::string& text, const Rect& rect, unsigned format) {
    GdiDc::DrawText(text, rect, format);
    window_.Present(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void SaverDc::CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx, int sy) {
    GdiDc::CopyFrom(x, y, width, height, source, sx, sy);
    window_.Present(x, y, width, height);
}

void SaverDc::Fill(const Rect& rect, Color color) {
    GdiDc::Fill(rect, color);
    window_.Present(rect.Left, rect.Top, rect.Width(), rect.Height());
}

} // namespace

std::unique_ptr<SaverWindow> MakeSaverWindow(SaverEvents& events, NativeHandle host) {
    return std::make_unique<Win32SaverWindow>(
        events, reinterpret_cast<HWND>(static_cast<std::intptr_t>(host)));
}

std::unique_ptr<SaverWindow> MakeMonitorWindow(SaverEvents& events, const Monitor& monitor) {
    const RECT area{monitor.Left, monitor.Top, monitor.Left + monitor.Area.Width,
                    monitor.Top + monitor.Area.Height};
    return std::make_unique<Win32SaverWindow>(events, nullptr, area);
}

HWND WindowOf(SaverWindow& window) {
    auto* own = dynamic_cast<Win32SaverWindow*>(&window);
    return own ? own->Hwnd() : nullptr;
}

} // namespace platform::win32
