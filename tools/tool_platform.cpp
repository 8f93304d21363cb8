#include <cstdio>

#include "commands.h"
#include "platform/services.h"
#include "settings/settings.h"

namespace tool {

bool IsHelpOption(const std::string& arg) {
    return arg == "--help" || arg == "-h" || arg == "/?";
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
    const bool sourceCopy = path.rfind(LUMORA_SOURCE_DATA, 0) == 0 && IsUtf8(bytes);
    text = sourceCopy ? bytes : platform::Current().text->FileTextToUtf8(bytes);
    return true;
}

void WriteOut(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace tool
