#include <vector>

#include "windows_api.h"

#include "win32_services.h"

namespace platform::win32 {
namespace {

// A monitor's own density: the program is per-monitor aware, so Windows does not scale its
// drawing and tells each monitor's setting. GetDpiForMonitor came with Windows 8.1; before it
// the system-wide value is all there is.
double MonitorDpi(HMONITOR monitor) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    if (getDpiForMonitor && monitor) {
        UINT x = 0, y = 0;
        constexpr int EffectiveDpi = 0; // MDT_EFFECTIVE_DPI
        if (SUCCEEDED(getDpiForMonitor(monitor, EffectiveDpi, &x, &y)) && x > 0) return x;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96.0;
}

BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(handle, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    const Monitor monitor{r.left, r.top, Size{r.right - r.left, r.bottom - r.top},
                          MonitorDpi(handle)};
    auto& monitors = *reinterpret_cast<std::vector<Monitor>*>(data);
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        monitors.insert(monitors.begin(), monitor);
    else
        monitors.push_back(monitor);
    return TRUE;
}

class Win32Screen : public Screen {
  public:
    Size PrimarySize() override {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }

    double Dpi() override {
        return MonitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
    }

    std::vector<Monitor> Monitors() override {
        std::vector<Monitor> monitors;
        EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
        if (monitors.empty()) return Screen::Monitors();
        return monitors;
    }
};

} // namespace

Screen& ScreenService() {
    static Win32Screen screen;
    return screen;
}

} // namespace platform::win32
