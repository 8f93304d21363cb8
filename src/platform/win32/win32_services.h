#pragma once
// The services of this platform, one accessor each; native_services.cpp gathers them.
#include "platform/services.h"

namespace platform::win32 {

Process& ProcessService();
Windows& WindowsService();
Clock& ClockService();
Screen& ScreenService();
Drawing& DrawingService();
Pictures& PicturesService();
SettingsFile& SettingsFileService();
Text& TextService();
Controls& ControlsService();
FileIdentities& FileIdentitiesService();

} // namespace platform::win32
