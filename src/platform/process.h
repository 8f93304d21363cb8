#pragma once
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One entry of a folder, as the folder itself records it (a link is not looked through).
struct FolderEntry {
    enum class Type { File, Folder, Other }; // Other: a link, a device, a pipe, …
    std::string Name;                        // without the folder
    Type Kind = Type::Other;
    bool Hidden = false; // hidden by the system's convention (a leading dot, the hidden flag)
    friend bool operator==(const FolderEntry&, const FolderEntry&) = default;
};

class Process {
  public:
    virtual ~Process() = default;
    // Folder holding the program file, without a trailing separator unless it is a root.
    virtual std::string AppDirectory() = 0;
    // The per-user folder for the settings file, ending in the path separator; created on
    // demand by `EnsureDirectory`. Empty when the system names none.
    virtual std::string UserConfigDirectory() = 0;
    // Folders whose settings file is a read-only default for users who have none yet, most
    // important first, each ending in the path separator (empty where there are none).
    virtual std::vector<std::string> SystemConfigDirectories() = 0;
    // The folder of the files shipped with the program when it is not the program's own:
    // ../share/lumorascr from the program's resolved location when that holds the holiday file
    // (an installed tree), else the folder the build was configured for (empty when none).
    virtual std::string InstalledDataDirectory() = 0;
    // True when the program runs from an installed tree (see InstalledDataDirectory), where
    // nothing is written beside the program.
    virtual bool RunsFromInstalledTree() = 0;
    // True for an existing regular file; a folder, a pipe or a device counts as missing.
    virtual bool FileExists(const std::string& path) = 0;
    // True when this user may change the existing file `path`.
    virtual bool IsFileWritable(const std::string& path) = 0;
    // True when a new file can be created in `directory`.
    virtual bool IsDirectoryWritable(const std::string& directory) = 0;
    virtual bool EnsureDirectory(const std::string& directory) = 0;
    // Reads a whole regular file; false when it cannot be opened or is no regular file.
    virtual bool ReadFile(const std::string& path, std::string& bytes) = 0;
    // An existing path for `path`, found component by component without regard to case when
    // the exact path does not exist; `path` itself when nothing better is found.
    virtual std::string ResolvePathCase(const std::string& path) = 0;
    // The entries of the folder `path` in no particular order ("." and ".." left out); nothing
    // when `path` is no folder or cannot be read. `path` itself may be a link to a folder.
    virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) = 0;
    virtual void SeedRandomFromClock() = 0;
    // Next number of the process's generator, in [0, 1).
    virtual double Random() = 0;
};

} // namespace platform
