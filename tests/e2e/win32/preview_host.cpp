// Hosts the preview the way the display settings do: a window whose handle goes to
// "LumoraScr.scr /p HANDLE"; checks where the preview lands and that it ends with its host.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void Check(bool good, const char* what) {
    std::printf("%s: %s\n", good ? "ok" : "FAILED", what);
    if (!good) ++failures;
}

void Pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: preview_host PATH-TO-LumoraScr.scr\n");
        return 2;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraPreviewHost";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    RegisterClassW(&wc);
    HWND host = CreateWindowW(L"LumoraPreviewHost", L"Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              40, 40, 420, 320, nullptr, nullptr, wc.hInstance, nullptr);

    std::string command = "\"";
    command += argv[1];
    command += "\" /p ";
    command += std::to_string(reinterpret_cast<LONG_PTR>(host));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        Check(false, "the preview process starts");
        return 1;
    }
    HWND preview = nullptr;
    for (int i = 0; i < 150 && !preview; ++i) {
        Pump(100);
        preview = FindWindowExA(host, nullptr, nullptr, "Preview");
    }
    Check(preview != nullptr, "a window titled Preview is a child of the host");
    if (preview) {
        Check(GetAncestor(preview, GA_PARENT) == host, "its parent is the host window");
        Check((GetWindowLongA(preview, GWL_STYLE) & WS_CHILD) != 0, "it has the child style");
        RECT r;
        GetWindowRect(preview, &r);
        POINT topLeft{r.left, r.top};
        ScreenToClient(host, &topLeft);
        Check(topLeft.x == 0 && topLeft.y == 0, "it sits at the top-left of the host's client area");
        Check(r.right - r.left == 312 && r.bottom - r.top == 213, "it is 312 x 213 pixels");
    }
    DestroyWindow(host);
    Pump(200);
    const bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
    Check(ended, "the preview process ends when its host is destroyed");
    if (!ended) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return failures == 0 ? 0 : 1;
}
