#pragma once
#include <string>

namespace platform::qt {

bool IsValidUtf8(const std::string& bytes);
// UTF-8 as it is; anything else read as Shift-JIS (CP932).
std::string Utf8FromFileBytes(const std::string& bytes);

} // namespace platform::qt
