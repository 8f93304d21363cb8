#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h; version 2 takes the function from kernel32, no extra library.
#define PSAPI_VERSION 2
#include <psapi.h>

#include "commands.h"
#include "platform/win32/win32_services.h"

namespace tool {

void UseFileServices() {
    platform::Services& services = platform::Current();
    services.process = &platform::win32::ProcessService();
    services.text = &platform::win32::TextService();
    // Holiday names go out as UTF-8 bytes with LF line ends, whatever the console does.
    _setmode(_fileno(stdout), _O_BINARY);
}

// GDI draws without any set-up.
std::shared_ptr<void> PrepareDrawing() {
    return nullptr;
}

bool IsUtf8(const std::string& bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::uint64_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

} // namespace tool
