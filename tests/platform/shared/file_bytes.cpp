#include "platform_under_test.h"

namespace under_test {

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = OpenFile(path, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool ReadBytes(const std::string& path, std::string& bytes) {
    std::FILE* file = OpenFile(path, "rb");
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
