#pragma once
#include <cstdint>
#include <string>

namespace platform {

// What tells one version of a file from another: where it lives (volume and file number), its
// size and its modification and change times, as the system reports them for an open file.
// Writing to a file, replacing it or deleting it changes at least one of these.
struct FileIdentity {
    bool Exists = false; // false: the path could not be opened as a regular file
    std::uint64_t Volume = 0;
    std::uint64_t FileId = 0;
    std::uint64_t Size = 0;
    std::int64_t Modified = 0; // in the system's own units
    std::int64_t Changed = 0;
    bool operator==(const FileIdentity&) const = default;
};

class FileIdentities {
public:
    virtual ~FileIdentities() = default;
    // Opens `path` for reading, never blocking on a pipe and never keeping others from
    // writing, renaming or deleting it, and reads the identity of what was opened. A path that
    // cannot be opened, or opens something other than a regular file, gives Exists false.
    virtual FileIdentity Of(const std::string& path) = 0;
};

} // namespace platform
