#include "codepage.h"
#include "platform/text_lines.h"

#include <windows.h>

#include <string_view>

namespace platform::win32 {
namespace {

std::wstring ToWide(std::string_view text, UINT codePage, DWORD flags = 0) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string FromWide(const std::wstring& text, UINT codePage, BOOL* lossy) {
    if (text.empty()) return {};
    const bool ansi = codePage != CP_UTF8;
    // Without best fit, a character the code page lacks becomes the default character and is
    // reported, instead of turning silently into a look-alike.
    const DWORD flags = ansi && lossy ? WC_NO_BEST_FIT_CHARS : 0;
    const int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, ansi ? lossy : nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, ansi ? lossy : nullptr);
    return out;
}

bool IsUtf8(std::string_view bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::wstring Utf16Units(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned a = static_cast<unsigned char>(bytes[i]),
                       b = static_cast<unsigned char>(bytes[i + 1]);
        out += static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return out;
}

} // namespace

std::wstring Utf8ToWide(const std::string& utf8) {
    return ToWide(utf8, CP_UTF8);
}
std::string WideToUtf8(const std::wstring& wide) {
    return FromWide(wide, CP_UTF8, nullptr);
}
std::string Utf8ToAnsi(const std::string& utf8) {
    return FromWide(Utf8ToWide(utf8), CP_ACP, nullptr);
}
std::string AnsiToUtf8(const std::string& ansi) {
    return WideToUtf8(ToWide(ansi, CP_ACP));
}

std::optional<std::string> Utf8ToAnsiExact(const std::string& utf8) {
    BOOL lossy = FALSE;
    const std::wstring wide = Utf8ToWide(utf8);
    std::string ansi = FromWide(wide, CP_ACP, &lossy);
    if (lossy || ToWide(ansi, CP_ACP) != wide) return std::nullopt;
    return ansi;
}

bool FitsAnsi(const std::string& utf8) {
    return Utf8ToAnsiExact(utf8).has_value();
}

std::string FileBytesToUtf8(const std::string& bytes) {
    const std::string_view view = bytes;
    if (view.starts_with("\xFF\xFE")) return WideToUtf8(Utf16Units(view.substr(2), false));
    if (view.starts_with("\xFE\xFF")) return WideToUtf8(Utf16Units(view.substr(2), true));
    if (view.starts_with("\xEF\xBB\xBF")) return WideToUtf8(ToWide(view.substr(3), CP_UTF8));
    return DecodeEachLine(view, [](std::string_view line) {
        return IsUtf8(line) ? std::string(line) : WideToUtf8(ToWide(line, CP_ACP));
    });
}

} // namespace platform::win32
