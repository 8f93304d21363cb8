#pragma once
// The one place where the program's UTF-8 text meets the system's encodings.
#include <string>

namespace platform::win32 {

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);
// To and from the ANSI code page (CP_ACP) that the ...A functions use.
std::string Utf8ToAnsi(const std::string& utf8);
std::string AnsiToUtf8(const std::string& ansi);
// False when the ANSI code page cannot carry `utf8` unchanged.
bool FitsAnsi(const std::string& utf8);

} // namespace platform::win32
