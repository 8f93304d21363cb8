// Any bytes as the settings file, its picture list loaded the way the program loads it (the
// Linux settings file, on a file in a temporary folder). The list never holds more than 32767
// entries, and no field of an entry holds a TAB, CR or LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/qt/qt_services.h"
#include "settings/settings.h"
#include "temporary_file.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool OneField(const std::string& text) {
    return text.find_first_of("\t\r\n") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::ScopedServices services([] {
        platform::Services s;
        s.settingsFile = &platform::qt::SettingsFileService();
        return s;
    }());
    const std::string& path = fuzz::TemporaryFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        Require(static_cast<bool>(out.flush()));
    }
    basComon::IniPath = path;
    basComon::LoadImageList();

    Require(!basComon::ImageList.empty() && basComon::ImageCount() <= basComon::MaxListEntries);
    for (const ImageEntry& entry : basComon::ImageList)
        Require(OneField(entry.Title) && OneField(entry.Folder) && OneField(entry.FileName) &&
                OneField(entry.OrigFolder));
    return 0;
}
