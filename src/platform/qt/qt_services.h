#pragma once
// The services of this platform, one accessor each; native_services.cpp gathers them.
#include "platform/services.h"

namespace platform::qt {

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

} // namespace platform::qt
