#pragma once
// Files in a folder of their own under $TMPDIR (else /tmp), made on first use and removed, with
// the folder, when the process ends normally.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzz {

inline const std::string& TemporaryFolder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string name = std::string(base && *base ? base : "/tmp") + "/lumora-fuzz-XXXXXX";
        if (!::mkdtemp(name.data())) std::abort();
        return name;
    }();
    static const bool removed = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }) == 0;
    (void)removed;
    return folder;
}

inline const std::string& TemporaryFile() {
    static const std::string path = TemporaryFolder() + "/settings.ini";
    return path;
}

} // namespace fuzz
