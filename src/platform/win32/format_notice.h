#pragma once
#include <string>

namespace platform::win32 {

// The dialog's notice for pictures of a format this Windows has no decoder for (extension in
// lower case, no dot): the format named and, from Windows 10 on, which extensions from the
// Microsoft Store add it; empty for formats it has nothing to say about.
std::string MissingCodecNotice(const std::string& extension);

} // namespace platform::win32
