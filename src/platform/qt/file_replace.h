#pragma once
// Saving a file whole beside itself and renaming it into place, and the files such a save leaves
// when it is cut off: `<file>.XXXXXX.tmp`, and `<file>.XXXXXX` from earlier versions.
#include <sys/types.h>

#include <string>

namespace platform::qt {

// Writes `bytes` to a new file beside `path`, makes it durable, then renames it over `path`, so
// that a reader sees either the old file or the new one, never a part of either. Leftovers of
// earlier saves that no running save owns are removed first.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode);

// When `path` is missing and a save cut off after its new content was complete left that
// content beside it, the newest such file takes the name. True when one did.
bool RestoreLeftover(const std::string& path);

} // namespace platform::qt
