#include <cstdio>
#include <cstdlib>

#include "platform/qt/qt_services.h"
#include "platform/shared/platform_under_test.h"

namespace under_test {

platform::SettingsFile& SettingsFile() {
    return platform::qt::SettingsFileService();
}

std::string TempDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string path = std::string(base && *base ? base : "/tmp") + "/lumora-test-XXXXXX";
    return ::mkdtemp(path.data()) ? path : std::string();
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool ReadBytes(const std::string& path, std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
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
