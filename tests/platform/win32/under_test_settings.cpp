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

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = _wfopen(platform::win32::Utf8ToWide(path).c_str(), L"wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool ReadBytes(const std::string& path, std::string& bytes) {
    FILE* file = _wfopen(platform::win32::Utf8ToWide(path).c_str(), L"rb");
    if (!file) return false;
    bytes.clear();
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace under_test
