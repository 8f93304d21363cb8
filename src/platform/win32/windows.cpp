#include <algorithm>
#include <vector>

#include "codepage.h"
#include "win32_services.h"
#include "win32_windows.h"

namespace platform::win32 {
namespace {

int openWindows = 0;
// True while RunMessageLoop waits for messages.
bool looping = false;

std::vector<HWND>& DialogWindows() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

bool IsForDialog(MSG& message) {
    for (HWND dialog : DialogWindows())
        if (IsDialogMessageW(dialog, &message)) return true;
    return false;
}

void Dispatch(MSG& message) {
    if (IsForDialog(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

class Win32Windows : public Windows {
  public:
    bool TopLevelWindowExists(const std::string& title) override {
        return FindWindowA(nullptr, Utf8ToAnsi(title).c_str()) != nullptr;
    }

    void PumpMessages() override {
        MSG message;
        // A quit message only wakes a waiting loop; RunMessageLoop looks at the window count.
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message != WM_QUIT) Dispatch(message);
    }

    // Messages that are already queued but were looked at do not count as new for the wait,
    // hence MWMO_INPUTAVAILABLE.
    void WaitForMessages(int milliseconds) override {
        if (milliseconds <= 0) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }

    void RunMessageLoop() override {
        MSG message;
        looping = true;
        while (openWindows > 0) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == -1) break;
            if (got == 0) continue; // the count decides whether the loop is over
            Dispatch(message);
        }
        looping = false;
    }

    void ShowCursor(bool show) override { ::ShowCursor(show ? TRUE : FALSE); }

    NativeHandle RootWindow() override { return 0; }

    std::unique_ptr<PreviewWindow> CreatePreviewWindow(const PreviewDesign& design) override {
        return MakePreviewWindow(design);
    }

    std::unique_ptr<SaverWindow> CreateSaverWindow(SaverEvents& events,
                                                   NativeHandle host) override {
        return MakeSaverWindow(events, host);
    }

    std::unique_ptr<SaverWindow> CreateMonitorWindow(SaverEvents& events,
                                                     const Monitor& monitor) override {
        return MakeMonitorWindow(events, monitor);
    }
};

} // namespace

void ProgramWindowOpened() {
    ++openWindows;
}

void ProgramWindowClosed() {
    // The loop may be waiting inside GetMessage while a window is destroyed from outside
    // (a preview whose host goes away): the quit message wakes it. Posted at no other time, it
    // cannot cut short a later modal loop such as a message box.
    if (openWindows > 0 && --openWindows == 0 && looping) PostQuitMessage(0);
}

int OpenProgramWindows() {
    return openWindows;
}

void AddDialogWindow(HWND dialog) {
    DialogWindows().push_back(dialog);
}

void RemoveDialogWindow(HWND dialog) {
    std::erase(DialogWindows(), dialog);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

Windows& WindowsService() {
    static Win32Windows windows;
    return windows;
}

} // namespace platform::win32
