#include "format_notice.h"

#include "windows_api.h"

namespace platform::win32 {
namespace {

// The major version the system itself reports (GetVersionEx answers what the manifest allows).
DWORD MajorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return 0;
    auto get = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return get && get(&info) == 0 ? info.dwMajorVersion : 0;
}

// The Store's extensions that give Windows a decoder, as the Japanese Store names them.
const char* StoreExtensions(const std::string& extension) {
    if (extension == "heic" || extension == "heif")
        return "「HEIF 画像拡張機能」と「HEVC ビデオ拡張機能」";
    if (extension == "webp") return "「WebP 画像拡張機能」";
    if (extension == "avif") return "「AV1 Video Extension」";
    return nullptr;
}

} // namespace

std::string MissingCodecNotice(const std::string& extension) {
    std::string upper = extension;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string notice = "この Windows では " + upper + " 形式の画像を表示できません。";
    const char* store = StoreExtensions(extension);
    if (store && MajorVersion() >= 10)
        notice += "\nMicrosoft Store から " + std::string(store) +
                  "を入れると表示できるようになります。";
    return notice;
}

} // namespace platform::win32
