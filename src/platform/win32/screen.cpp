#include "windows_api.h"

#include "win32_services.h"

namespace platform::win32 {
namespace {

class Win32Screen : public Screen {
  public:
    Size PrimarySize() override {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }

    // The primary monitor's own density: the program is per-monitor aware, so Windows does not
    // scale its drawing and tells each monitor's setting. GetDpiForMonitor came with Windows
    // 8.1; before it the system-wide value is all there is.
    double Dpi() override {
        using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
        static const auto getDpiForMonitor = [] {
            HMODULE shcore = LoadLibraryW(L"shcore.dll");
            return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                                reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                          : nullptr;
        }();
        if (getDpiForMonitor) {
            const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
            UINT x = 0, y = 0;
            constexpr int EffectiveDpi = 0; // MDT_EFFECTIVE_DPI
            if (SUCCEEDED(getDpiForMonitor(primary, EffectiveDpi, &x, &y)) && x > 0) return x;
        }
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return dpi > 0 ? dpi : 96.0;
    }
};

} // namespace

Screen& ScreenService() {
    static Win32Screen screen;
    return screen;
}

} // namespace platform::win32
