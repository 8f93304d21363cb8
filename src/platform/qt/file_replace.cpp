// A save's temporary file is named `<file>.XXXXXX.tmp`. It is created with no read permission,
// which marks it unfinished, and gets the file's own mode only once its content is complete. The
// save holds a lock on it (flock) until it has taken the file's name: a file of that kind that
// nobody holds belongs to no running save and is removed by the next one.
#include "file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string_view>
#include <vector>

#include "platform/settings_file.h"

namespace platform::qt {
namespace {

constexpr std::string_view Suffix = ".tmp";
constexpr std::size_t RandomLength = 6;

bool Continue(SaveStep step, const std::string& temporary) {
    return SaveMayContinue(step, temporary);
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// `name` is `<base>.XXXXXX.tmp`, or with `bare` also `<base>.XXXXXX` as earlier versions named
// their temporary files.
bool IsTemporaryOf(std::string_view name, std::string_view base, bool bare) {
    if (name.size() <= base.size() + 1 || !name.starts_with(base) || name[base.size()] != '.')
        return false;
    name.remove_prefix(base.size() + 1);
    if (name.size() == RandomLength + Suffix.size() && name.ends_with(Suffix))
        name.remove_suffix(Suffix.size());
    else if (!bare)
        return false;
    if (name.size() != RandomLength) return false;
    for (const char c : name)
        if (!IsNameCharacter(c)) return false;
    return true;
}

struct Place {
    std::string folder, base;
};

Place PlaceOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::vector<std::string> TemporariesOf(const Place& place, bool bare) {
    std::vector<std::string> names;
    DIR* folder = ::opendir(place.folder.c_str());
    if (!folder) return names;
    while (const dirent* entry = ::readdir(folder))
        if (IsTemporaryOf(entry->d_name, place.base, bare)) names.emplace_back(entry->d_name);
    ::closedir(folder);
    return names;
}

// Opens a temporary file that no running save holds, and holds it; -1 otherwise.
int TakeUnowned(int folder, const std::string& name, struct stat& info) {
    const int fd =
        ::openat(folder, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void RemoveLeftovers(const Place& place) {
    const int folder = ::open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    for (const std::string& name : TemporariesOf(place, true)) {
        struct stat info {};
        const int fd = TakeUnowned(folder, name, info);
        if (fd < 0) continue;
        ::unlinkat(folder, name.c_str(), 0);
        ::close(fd);
    }
    ::close(folder);
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool Unfinished(const struct stat& info) {
    return (info.st_mode & 0444) == 0;
}

// A new temporary file beside the file, created unfinished and held; -1 when none can be made.
int CreateTemporary(const std::string& path, std::string& temporary) {
    static constexpr char Alphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Alphabet - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + '.';
        for (std::size_t i = 0; i < RandomLength; ++i)
            temporary += Alphabet[pick(source)];
        temporary += Suffix;
        const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0200);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return -1;
        // Another save's clean-up may have taken the file away before it was held: then it is
        // made again. Where locks are not supported, the file is kept unheld (and so never
        // taken by a clean-up either, which needs the lock).
        int locked = 0;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat held {}, named {};
        if (locked != 0 || (::fstat(fd, &held) == 0 && ::stat(temporary.c_str(), &named) == 0 &&
                            held.st_ino == named.st_ino && held.st_dev == named.st_dev))
            return fd;
        ::close(fd);
    }
    return -1;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode) {
    const Place place = PlaceOf(path);
    RemoveLeftovers(place);
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) return false;
    // The file's own mode marks the content complete; it has a read bit, as the file was read.
    const bool written = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (written && !Continue(SaveStep::TemporaryWritten, temporary)) {
        ::close(fd);
        return false;
    }
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return false;
    }
    ::close(fd);
    if (!Continue(SaveStep::Replaced, temporary)) return false;
    SyncFolder(place.folder);
    return true;
}

bool RestoreLeftover(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 || errno != ENOENT) return false;
    const Place place = PlaceOf(path);
    const int folder = ::open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return false;
    // The newest complete one that no running save holds.
    int newest = -1;
    std::string newestName;
    timespec newestTime{};
    for (const std::string& name : TemporariesOf(place, false)) {
        const int fd = TakeUnowned(folder, name, info);
        if (fd < 0) continue;
        const timespec time = info.st_mtim;
        if (Unfinished(info) || (newest >= 0 && (time.tv_sec < newestTime.tv_sec ||
                                                 (time.tv_sec == newestTime.tv_sec &&
                                                  time.tv_nsec <= newestTime.tv_nsec)))) {
            ::close(fd);
            continue;
        }
        if (newest >= 0) ::close(newest);
        newest = fd;
        newestName = name;
        newestTime = time;
    }
    // A link, not a rename: a file that appeared under the name meanwhile is not replaced.
    const bool restored =
        newest >= 0 && ::linkat(folder, newestName.c_str(), folder, place.base.c_str(), 0) == 0;
    if (restored) {
        ::unlinkat(folder, newestName.c_str(), 0);
        ::fsync(folder);
    }
    if (newest >= 0) ::close(newest);
    ::close(folder);
    return restored;
}

} // namespace platform::qt
