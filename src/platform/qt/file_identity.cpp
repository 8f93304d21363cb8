#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "qt_services.h"

namespace platform::qt {
namespace {

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

class PosixFileIdentities : public FileIdentities {
public:
    FileIdentity Of(const std::string& path) override {
        FileIdentity identity;
        if (path.empty()) return identity;
        // Non-blocking, so that a pipe put in a picture's place cannot hold the worker.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return identity;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            identity.Exists = true;
            identity.Volume = static_cast<std::uint64_t>(st.st_dev);
            identity.FileId = static_cast<std::uint64_t>(st.st_ino);
            identity.Size = static_cast<std::uint64_t>(st.st_size);
            identity.Modified = Nanoseconds(st.st_mtim);
            identity.Changed = Nanoseconds(st.st_ctim);
        }
        ::close(fd);
        return identity;
    }
};

} // namespace

FileIdentities& FileIdentitiesService() {
    static PosixFileIdentities service;
    return service;
}

} // namespace platform::qt
