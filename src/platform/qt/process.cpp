#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "folder_listing.h"
#include "qt_services.h"

namespace platform::qt {
namespace {

// Settings and holiday files are small; anything larger is not one of ours.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class PosixProcess : public Process {
  public:
    std::string AppDirectory() override {
        std::vector<char> buffer(4096);
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
        if (n <= 0) return ".";
        const std::string exe(buffer.data(), static_cast<std::size_t>(n));
        const auto slash = exe.find_last_of('/');
        if (slash == std::string::npos) return ".";
        return slash == 0 ? "/" : exe.substr(0, slash);
    }

    std::string UserConfigDirectory() override {
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        std::string base;
        if (xdg && xdg[0] == '/') {
            base = xdg;
        } else {
            const char* home = std::getenv("HOME");
            base = std::string(home && home[0] ? home : "/tmp") + "/.config";
        }
        if (base.back() != '/') base += '/';
        return base + "lumorascr/";
    }

    // The folders of $XDG_CONFIG_DIRS (only absolute ones count), /etc/xdg when it is unset.
    std::vector<std::string> SystemConfigDirectories() override {
        const char* dirs = std::getenv("XDG_CONFIG_DIRS");
        const std::string list = dirs && dirs[0] ? dirs : "/etc/xdg";
        std::vector<std::string> folders;
        std::size_t start = 0;
        while (start <= list.size()) {
            std::size_t colon = list.find(':', start);
            if (colon == std::string::npos) colon = list.size();
            std::string folder = list.substr(start, colon - start);
            if (!folder.empty() && folder[0] == '/') {
                if (folder.back() != '/') folder += '/';
                folders.push_back(folder + "lumorascr/");
            }
            start = colon + 1;
        }
        return folders;
    }

    // An installed tree keeps its data in ../share/lumorascr from the program's resolved
    // location, so a --prefix or DESTDIR install, a moved tree or a symbolic link to the
    // program all find it; the folder the build was configured for is the last resort.
    std::string InstalledDataDirectory() override {
        const std::string tree = TreeDataDirectory();
        return IsRegularFile(tree + "/Calender.dat") ? tree : LUMORA_DATA_DIR;
    }

    bool RunsFromInstalledTree() override {
        return IsRegularFile(TreeDataDirectory() + "/Calender.dat");
    }

    bool FileExists(const std::string& path) override {
        return !path.empty() && IsRegularFile(path);
    }

    bool IsFileWritable(const std::string& path) override {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
    }

    bool IsDirectoryWritable(const std::string& directory) override {
        return IsDirectory(directory) && ::access(directory.c_str(), W_OK | X_OK) == 0;
    }

    bool EnsureDirectory(const std::string& directory) override {
        if (directory.empty()) return false;
        std::string path;
        std::size_t at = 0;
        while (at != std::string::npos) {
            const std::size_t slash = directory.find('/', at + 1);
            path = directory.substr(0, slash);
            if (!path.empty() && !IsDirectory(path) && ::mkdir(path.c_str(), 0755) != 0 &&
                errno != EEXIST)
                return false;
            at = slash;
        }
        return IsDirectory(directory);
    }

    bool ReadFile(const std::string& path, std::string& bytes) override {
        // Opening a pipe for reading would wait for a writer: only a regular file is read.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return false;
        struct stat info {};
        bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                  static_cast<std::size_t>(info.st_size) <= kMaxFileBytes;
        std::string content;
        char buffer[65536];
        while (ok) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            ok = n >= 0 && content.size() + static_cast<std::size_t>(n) <= kMaxFileBytes;
            if (n <= 0) break;
            content.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        if (ok) bytes = std::move(content);
        return ok;
    }

    std::string ResolvePathCase(const std::string& path) override {
        if (path.empty() || Exists(path)) return path;
        std::string resolved = path[0] == '/' ? "/" : "";
        std::size_t at = path[0] == '/' ? 1 : 0;
        while (at <= path.size()) {
            std::size_t slash = path.find('/', at);
            if (slash == std::string::npos) slash = path.size();
            const std::string part = path.substr(at, slash - at);
            std::string chosen = part;
            if (!part.empty() && part != "." && part != ".." && !Exists(resolved + part)) {
                chosen = MatchInFolder(resolved, part);
                if (chosen.empty()) return path;
            }
            resolved += chosen;
            if (slash < path.size()) resolved += '/';
            at = slash + 1;
        }
        return resolved;
    }

    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
        return ListFolderEntries(path);
    }

    void SeedRandomFromClock() override {
        generator_.seed(static_cast<std::uint64_t>(
            std::chrono::system_clock::now().time_since_epoch().count()));
    }

    double Random() override {
        // 53 random bits scaled into [0, 1): never 1.0.
        return static_cast<double>(generator_() >> 11) * 0x1.0p-53;
    }

  private:
    std::string TreeDataDirectory() {
        const std::string app = AppDirectory();
        const std::string parent = app == "/" ? "" : app.substr(0, app.find_last_of('/'));
        return parent + "/share/lumorascr";
    }

    std::mt19937_64 generator_{
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count())};
};

} // namespace

Process& ProcessService() {
    static PosixProcess process;
    return process;
}

} // namespace platform::qt
