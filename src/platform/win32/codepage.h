#pragma once
// The one place where the program's UTF-8 text meets the system's encodings.
#include <optional>
#include <string>

namespace platform::win32 {

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);
// To and from the ANSI code page (CP_ACP) that the ...A functions use.
std::string Utf8ToAnsi(const std::string& utf8);
std::string AnsiToUtf8(const std::string& ansi);
// The ANSI form of `utf8` when the code page carries it unchanged: no character is replaced by
// a look-alike ("café" never becomes "cafe", which would name another file).
std::optional<std::string> Utf8ToAnsiExact(const std::string& utf8);
// False when the ANSI code page cannot carry `utf8` unchanged.
bool FitsAnsi(const std::string& utf8);
// A text file's bytes as UTF-8: a byte-order mark names the encoding (UTF-8, UTF-16 LE or BE);
// without one each line is read as UTF-8 when it is valid UTF-8, else in the ANSI code page.
// Line ends stay as they are.
std::string FileBytesToUtf8(const std::string& bytes);

} // namespace platform::win32
