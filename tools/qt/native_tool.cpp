#include <QGuiApplication>
#include <sys/resource.h>

#include <cstdlib>
#include <memory>

#include "commands.h"
#include "platform/qt/codepage.h"
#include "platform/qt/qt_services.h"

namespace tool {

void UseFileServices() {
    platform::Services& services = platform::Current();
    services.process = &platform::qt::ProcessService();
    services.text = &platform::qt::TextService();
}

std::shared_ptr<void> PrepareDrawing() {
    // Text is drawn with Qt's fonts, which need an application object but no display.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "lumora-tool";
    static char* argv[] = {name, nullptr};
    return std::make_shared<QGuiApplication>(argc, argv);
}

bool IsUtf8(const std::string& bytes) {
    return platform::qt::IsValidUtf8(bytes);
}

std::uint64_t PeakResidentBytes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return std::uint64_t(usage.ru_maxrss) * 1024; // kilobytes on Linux
}

} // namespace tool
