#include "qt_services.h"

namespace platform {

Services NativeServices() {
    Services s;
    s.process = &qt::ProcessService();
    s.windows = &qt::WindowsService();
    s.clock = &qt::ClockService();
    s.screen = &qt::ScreenService();
    s.drawing = &qt::DrawingService();
    s.pictures = &qt::PicturesService();
    s.settingsFile = &qt::SettingsFileService();
    s.text = &qt::TextService();
    s.controls = &qt::ControlsService();
    s.files = &qt::FileIdentitiesService();
    return s;
}

} // namespace platform
