#include <windows.h>

#include <cstdio>

#include "platform/shared/platform_under_test.h"
#include "platform/win32/codepage.h"
#include "platform/win32/win32_services.h"

namespace under_test {

platform::SettingsFile& SettingsFile() {
    return platform::win32::SettingsFileService();
}

std::string TempDirectory() {
    wchar_t base[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH) return {};
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring path = std::wstring(base, length) + L"lumora-test-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++counter);
        if (CreateDirectoryW(path.c_str(), nullptr)) return platform::win32::WideToUtf8(path);
    }
    return {};
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    const std::string narrow(mode);
    return _wfopen(platform::win32::Utf8ToWide(path).c_str(),
                   std::wstring(narrow.begin(), narrow.end()).c_str());
}

} // namespace under_test
