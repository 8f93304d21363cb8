#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace platform::qt {

// The entries of a folder, links reported as links ("." and ".." left out).
std::optional<std::vector<FolderEntry>> ListFolderEntries(const std::string& folder);

// The entry of `folder` ("" for the current one) whose name equals `name` without regard to
// case, or "". Each folder's names are read once and kept while the folder's modification
// time stays the same (a folder changed in the last two seconds is read each time), so that
// looking up many names of one folder does not read it each time.
// Safe to call from several threads.
std::string MatchInFolder(const std::string& folder, const std::string& name);

} // namespace platform::qt
