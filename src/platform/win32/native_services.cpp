#include "win32_services.h"

namespace platform {

Services NativeServices() {
    Services s;
    s.process = &win32::ProcessService();
    s.windows = &win32::WindowsService();
    s.clock = &win32::ClockService();
    s.screen = &win32::ScreenService();
    s.drawing = &win32::DrawingService();
    s.pictures = &win32::PicturesService();
    s.settingsFile = &win32::SettingsFileService();
    s.text = &win32::TextService();
    s.controls = &win32::ControlsService();
    s.files = &win32::FileIdentitiesService();
    return s;
}

} // namespace platform
