#include "codepage.h"

#include <windows.h>

namespace platform::win32 {
namespace {

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string FromWide(const std::wstring& text, UINT codePage, BOOL* lossy) {
    if (text.empty()) return {};
    const bool flags = codePage != CP_UTF8;
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, flags ? lossy : nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, flags ? lossy : nullptr);
    return out;
}

} // namespace

std::wstring Utf8ToWide(const std::string& utf8) { return ToWide(utf8, CP_UTF8); }
std::string WideToUtf8(const std::wstring& wide) { return FromWide(wide, CP_UTF8, nullptr); }
std::string Utf8ToAnsi(const std::string& utf8) { return FromWide(Utf8ToWide(utf8), CP_ACP, nullptr); }
std::string AnsiToUtf8(const std::string& ansi) { return WideToUtf8(ToWide(ansi, CP_ACP)); }

bool FitsAnsi(const std::string& utf8) {
    BOOL lossy = FALSE;
    const std::wstring wide = Utf8ToWide(utf8);
    const std::string ansi = FromWide(wide, CP_ACP, &lossy);
    return !lossy && ToWide(ansi, CP_ACP) == wide;
}

} // namespace platform::win32
