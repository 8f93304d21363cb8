#pragma once
// A file in a folder of its own under $TMPDIR (else /tmp), made on first use and removed, with
// its folder, when the process ends normally.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline const std::string& TemporaryFile() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string name = std::string(base && *base ? base : "/tmp") + "/lumora-fuzz-XXXXXX";
        if (!::mkdtemp(name.data())) std::abort();
        return name;
    }();
    static const std::string path = folder + "/settings.ini";
    static const bool removed = std::atexit([] {
        std::remove(path.c_str());
        ::rmdir(folder.c_str());
    }) == 0;
    (void)removed;
    return path;
}

} // namespace fuzz
