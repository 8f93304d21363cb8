#include "folder_listing.h"

#include <QString>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace platform::qt {
namespace {

// Folders whose names are kept at most; the oldest kept goes first when another is read.
constexpr std::size_t MaxKeptFolders = 64;

std::string Folded(const std::string& name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        .toCaseFolded()
        .toStdString();
}

// A folder changed more recently than this before its names were read may change again within
// the same tick of the file system's clock, unseen by its modification time: it is read anew.
constexpr long SettleSeconds = 2;

struct KeptFolder {
    timespec Modified{};
    bool Settled = false; // read at least SettleSeconds after its last change
    unsigned long long Generation = 0;
    std::map<std::string, std::string> ByFoldedName; // the first entry read of each folded name
};

std::mutex keptMutex;
std::map<std::string, KeptFolder> kept;
unsigned long long generation = 0;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::optional<std::vector<FolderEntry>> ListFolderEntries(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    while (dirent* found = ::readdir(dir)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        FolderEntry entry;
        entry.Name = name;
        entry.Hidden = name[0] == '.';
        if (::fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISREG(info.st_mode)) entry.Kind = FolderEntry::Type::File;
            else if (S_ISDIR(info.st_mode)) entry.Kind = FolderEntry::Type::Folder;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

std::string MatchInFolder(const std::string& folder, const std::string& name) {
    const std::string path = folder.empty() ? "." : folder;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    const std::string wanted = Folded(name);

    std::lock_guard lock(keptMutex);
    auto it = kept.find(path);
    if (it == kept.end() || !it->second.Settled || !SameTime(it->second.Modified, info.st_mtim)) {
        DIR* dir = ::opendir(path.c_str());
        if (!dir) return {};
        KeptFolder read;
        read.Modified = info.st_mtim;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        read.Settled = now.tv_sec - info.st_mtim.tv_sec >= SettleSeconds;
        while (dirent* entry = ::readdir(dir)) {
            const std::string candidate = entry->d_name;
            if (candidate == "." || candidate == "..") continue;
            read.ByFoldedName.emplace(Folded(candidate), candidate);
        }
        ::closedir(dir);
        if (it == kept.end() && kept.size() >= MaxKeptFolders) {
            auto oldest = kept.begin();
            for (auto k = kept.begin(); k != kept.end(); ++k)
                if (k->second.Generation < oldest->second.Generation) oldest = k;
            kept.erase(oldest);
        }
        it = kept.insert_or_assign(path, std::move(read)).first;
    }
    it->second.Generation = ++generation;
    const auto match = it->second.ByFoldedName.find(wanted);
    return match == it->second.ByFoldedName.end() ? std::string() : match->second;
}

} // namespace platform::qt
