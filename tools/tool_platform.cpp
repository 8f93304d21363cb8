#include <cstdio>

#include "commands.h"
#include "platform/services.h"
#include "settings/settings.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32/win32_services.h"
namespace native = platform::win32;
#else
#include "platform/qt/qt_services.h"
namespace native = platform::qt;
#endif

namespace tool {
namespace {

bool IsValidUtf8(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        std::size_t extra = 0;
        if (lead >= 0xC2 && lead < 0xE0)
            extra = 1;
        else if (lead >= 0xE0 && lead < 0xF0)
            extra = 2;
        else if (lead >= 0xF0 && lead < 0xF5)
            extra = 3;
        else if (lead >= 0x80)
            return false;
        if (bytes.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

bool IsHelpOption(const std::string& arg) {
    return arg == "--help" || arg == "-h" || arg == "/?";
}

void UseFileServices() {
    platform::Services& services = platform::Current();
    services.process = &native::ProcessService();
    services.text = &native::TextService();
#ifdef _WIN32
    // Holiday names go out as UTF-8 bytes with LF line ends, whatever the console does.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::string ShippedHolidayFile() {
    const std::string found = basComon::FindHolidayPath();
    if (platform::Current().process->FileExists(found)) return found;
    return std::string(LUMORA_SOURCE_DATA) + "/" + basComon::HolidayFileName;
}

bool ReadRuleFile(const std::string& path, std::string& text, std::string& error) {
    std::string bytes;
    if (!platform::Current().process->ReadFile(path, bytes)) {
        error = "cannot read the rule file '" + path + "'";
        return false;
    }
    // The source tree keeps its copy in UTF-8 on every system; other files are in the
    // system's own encoding, as the saver reads them.
    const bool sourceCopy = path.rfind(LUMORA_SOURCE_DATA, 0) == 0 && IsValidUtf8(bytes);
    text = sourceCopy ? bytes : platform::Current().text->FileTextToUtf8(bytes);
    return true;
}

void WriteOut(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace tool
