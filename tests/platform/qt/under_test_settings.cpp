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

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

} // namespace under_test
