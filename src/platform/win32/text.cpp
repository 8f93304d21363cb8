#include "windows_api.h"

#include "codepage.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

class Win32Text : public Text {
  public:
    std::string ToLower(const std::string& utf8) override {
        std::wstring wide = Utf8ToWide(utf8);
        if (wide.empty()) return {};
        CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return WideToUtf8(wide);
    }
    bool FitsCodePage(const std::string& utf8) override { return FitsAnsi(utf8); }
    char PathSeparator() override { return '\\'; }
    std::string FileTextToUtf8(const std::string& bytes) override { return FileBytesToUtf8(bytes); }
};

} // namespace

Text& TextService() {
    static Win32Text text;
    return text;
}

} // namespace platform::win32
