// The settings file through the system's own private-profile functions.
#include <windows.h>

#include <vector>

#include "codepage.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

// Far beyond any line the program stores; a bound so a damaged file cannot exhaust memory.
constexpr DWORD LargestValue = 16 * 1024 * 1024;

class PrivateProfileFile : public SettingsFile {
  public:
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, const std::string& file) override {
        const std::string ansiSection = Utf8ToAnsi(section), ansiKey = Utf8ToAnsi(key),
                          ansiDefault = Utf8ToAnsi(defaultValue), ansiFile = Utf8ToAnsi(file);
        // The function cuts a value that does not fit and then returns size - 1: grow the
        // buffer until the value comes back whole.
        std::vector<char> buffer(256);
        for (;;) {
            const DWORD size = static_cast<DWORD>(buffer.size());
            const DWORD copied =
                GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiDefault.c_str(),
                                         buffer.data(), size, ansiFile.c_str());
            if (copied < size - 1 || size >= LargestValue)
                return AnsiToUtf8(std::string(buffer.data(), copied));
            buffer.resize(buffer.size() * 4);
        }
    }

    bool Write(const std::string& section, const std::string& key, const std::string& value,
               const std::string& file) override {
        // The ...A function would store lossy text or let a line break start new lines, and
        // still report success.
        for (const std::string* text : {&section, &key, &value})
            if (text->find_first_of(std::string("\r\n\0", 3)) != std::string::npos ||
                !FitsAnsi(*text))
                return false;
        return WritePrivateProfileStringA(Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(),
                                          Utf8ToAnsi(value).c_str(),
                                          Utf8ToAnsi(file).c_str()) != FALSE;
    }
};

} // namespace

SettingsFile& SettingsFileService() {
    static PrivateProfileFile service;
    return service;
}

} // namespace platform::win32
