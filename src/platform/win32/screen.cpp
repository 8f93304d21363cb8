#include "windows_api.h"

#include "win32_services.h"

namespace platform::win32 {
namespace {

class Win32Screen : public Screen {
  public:
    Size PrimarySize() override {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
};

} // namespace

Screen& ScreenService() {
    static Win32Screen screen;
    return screen;
}

} // namespace platform::win32
