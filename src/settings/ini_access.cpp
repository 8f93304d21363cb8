#include "platform/services.h"
#include "settings.h"

namespace basComon {

std::string GetIniString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& fileName) {
    return TrimNull(platform::Current().settingsFile->Read(section, key, defaultValue, fileName));
}

bool PutIniString(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& fileName) {
    return platform::Current().settingsFile->Write(section, key, value, fileName);
}

std::string AddBackslash(const std::string& path) {
    const char separator = platform::Current().text->PathSeparator();
    if (!path.empty() && path.back() == separator) return path;
    return path + separator;
}

std::string TrimNull(const std::string& text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string FindIniPath() {
    platform::Process& process = *platform::Current().process;
    const std::string appDirectory = process.AppDirectory();
    const std::string besideProgram = AddBackslash(appDirectory) + IniFileName;
    if (process.FileExists(besideProgram) || process.IsDirectoryWritable(appDirectory))
        return besideProgram;
    return AddBackslash(process.UserConfigDirectory()) + IniFileName;
}

std::string FindHolidayPath() {
    platform::Process& process = *platform::Current().process;
    const std::string besideProgram = AddBackslash(process.AppDirectory()) + HolidayFileName;
    if (process.FileExists(besideProgram)) return besideProgram;
    const std::string dataDirectory = process.InstalledDataDirectory();
    if (!dataDirectory.empty()) {
        const std::string installed = AddBackslash(dataDirectory) + HolidayFileName;
        if (process.FileExists(installed)) return installed;
    }
    return besideProgram;
}

void LoadSettings() {
    IniPath = FindIniPath();
    LoadImageList();
    LoadHolidays();
}

} // namespace basComon
