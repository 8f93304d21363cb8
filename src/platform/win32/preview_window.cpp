#include "codepage.h"
#include "gdi_dc.h"
#include "win32_windows.h"

namespace platform::win32 {
namespace {

constexpr wchar_t PreviewClass[] = L"LumoraScrPreview";

int Scaled(int pixelsAt96, int dpi) {
    return MulDiv(pixelsAt96, dpi, 96);
}

class Win32PreviewWindow : public PreviewWindow {
  public:
    explicit Win32PreviewWindow(const PreviewDesign& design)
        : design_(design), dpi_(ScreenDpi()),
          background_(CreateSolidBrush(ToColorRef(design.Background))) {
        RegisterWindowClass(PreviewClass, &Procedure, nullptr);
        CreateWindowExW(0, PreviewClass, L"", WS_POPUP, 0, 0, Scaled(design.Client.Width, dpi_),
                        Scaled(design.Client.Height, dpi_), nullptr, nullptr,
                        GetModuleHandleW(nullptr), this);
    }

    ~Win32PreviewWindow() override {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    void SetPosition(int left, int top) override {
        if (hwnd_)
            SetWindowPos(hwnd_, nullptr, left, top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void SetCaption(const std::string& caption) override {
        if (hwnd_) SetWindowTextW(hwnd_, Utf8ToWide(caption).c_str());
    }

    void MakeChildOf(NativeHandle host) override {
        const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
        SetWindowLongA(hwnd_, GWL_STYLE, style | WS_CHILD);
        SetParent(hwnd_, reinterpret_cast<HWND>(static_cast<std::intptr_t>(host)));
    }

    void Show() override {
        if (!hwnd_) return;
        ShowWindow(hwnd_, SW_SHOWNA);
        UpdateWindow(hwnd_);
    }

    NativeHandle Handle() override { return reinterpret_cast<std::intptr_t>(hwnd_); }

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Win32PreviewWindow*>(
                reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->hwnd_ = hwnd;
            ProgramWindowOpened();
        }
        auto* self = reinterpret_cast<Win32PreviewWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) {
            switch (message) {
            case WM_ERASEBKGND: {
                RECT r;
                GetClientRect(hwnd, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, self->background_.Get());
                return 1;
            }
            case WM_PAINT:
                self->Paint();
                return 0;
            case WM_NCDESTROY:
                // Destroyed with its host or by its owner: either way the process may end.
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                self->hwnd_ = nullptr;
                ProgramWindowClosed();
                break;
            default:
                break;
            }
        }
        return DefWindowProcW(hwnd, message, wp, lp);
    }

    void Paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        ::SetBkMode(dc, TRANSPARENT);
        for (const LabelDesign& label : design_.Labels) {
            LOGFONTA lf{};
            lf.lfHeight = -MulDiv(static_cast<int>(label.FontPoints * 100 + 0.5), dpi_, 7200);
            lf.lfWeight = label.FontWeight;
            lf.lfCharSet = static_cast<BYTE>(label.CharSet);
            CopyFaceName(label.FontFace, lf.lfFaceName);
            UniqueFont font(CreateFontIndirectA(&lf));
            SelectGuard keep(dc, font.Get());
            ::SetTextColor(dc, ToColorRef(label.TextColor));
            std::string caption = Utf8ToAnsi(label.Caption);
            RECT r{Scaled(label.Bounds.Left, dpi_), Scaled(label.Bounds.Top, dpi_),
                   Scaled(label.Bounds.Right, dpi_), Scaled(label.Bounds.Bottom, dpi_)};
            DrawTextA(dc, caption.data(), static_cast<int>(caption.size()), &r,
                      DT_LEFT | DT_TOP | DT_WORDBREAK);
        }
        EndPaint(hwnd_, &ps);
    }

    PreviewDesign design_;
    int dpi_;
    UniqueBrush background_;
    HWND hwnd_ = nullptr;
};

} // namespace

std::unique_ptr<PreviewWindow> MakePreviewWindow(const PreviewDesign& design) {
    return std::make_unique<Win32PreviewWindow>(design);
}

} // namespace platform::win32
