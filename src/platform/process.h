#pragma once
#include <string>

namespace platform {

class Process {
public:
    virtual ~Process() = default;
    // Folder holding the program file, without a trailing separator unless it is a root.
    virtual std::string AppDirectory() = 0;
    // The per-user folder for the settings file when the program's folder cannot take it,
    // ending in the path separator; created on demand by `EnsureDirectory`.
    virtual std::string UserConfigDirectory() = 0;
    // Folders searched after AppDirectory for files shipped beside the program
    // (empty on systems where the program's folder is the only place).
    virtual std::string InstalledDataDirectory() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // True when a new file can be created in `directory`.
    virtual bool IsDirectoryWritable(const std::string& directory) = 0;
    virtual bool EnsureDirectory(const std::string& directory) = 0;
    // Reads a whole file; false when it cannot be opened.
    virtual bool ReadFile(const std::string& path, std::string& bytes) = 0;
    // An existing path for `path`, found component by component without regard to case when
    // the exact path does not exist; `path` itself when nothing better is found.
    virtual std::string ResolvePathCase(const std::string& path) = 0;
    virtual void SeedRandomFromClock() = 0;
    // Next number of the process's generator, in [0, 1).
    virtual double Random() = 0;
};

} // namespace platform
