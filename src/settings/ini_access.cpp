#include <vector>

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

namespace {

// The existing regular file at `path`, its name matched without regard to case; "" when none.
std::string Existing(platform::Process& process, const std::string& path) {
    if (path.empty()) return {};
    const std::string found = process.ResolvePathCase(path);
    return process.FileExists(found) ? found : std::string();
}

} // namespace

IniLocation FindIniLocation() {
    platform::Process& process = *platform::Current().process;
    platform::Text& text = *platform::Current().text;
    // A path the ...A functions would turn into another file's name is not used at all.
    auto usable = [&](const std::string& folder) {
        return !folder.empty() && text.FitsCodePage(folder) ? AddBackslash(folder) + IniFileName
                                                            : std::string();
    };
    const std::string user = usable(process.UserConfigDirectory());
    // Nothing is read or written beside a program that runs from an installed tree.
    const std::string appDirectory = process.AppDirectory();
    const std::string beside =
        process.RunsFromInstalledTree() ? std::string() : usable(appDirectory);

    if (const std::string own = Existing(process, user); !own.empty()) return {own, own};
    const std::string besideFile = Existing(process, beside);
    if (!besideFile.empty() && process.IsFileWritable(besideFile)) return {besideFile, besideFile};

    // A first-run default: read until the user's first save, never written.
    std::string fallback = besideFile;
    for (const std::string& folder : process.SystemConfigDirectories()) {
        if (!fallback.empty()) break;
        fallback = Existing(process, usable(folder));
    }
    if (!fallback.empty()) return {fallback, user};

    if (!beside.empty() && process.IsDirectoryWritable(appDirectory)) return {beside, beside};
    return {user, user};
}

std::string FindHolidayPath() {
    platform::Process& process = *platform::Current().process;
    const std::string dataDirectory = process.InstalledDataDirectory();
    const std::string installed =
        dataDirectory.empty() ? std::string() : AddBackslash(dataDirectory) + HolidayFileName;
    const std::string besideProgram = AddBackslash(process.AppDirectory()) + HolidayFileName;
    for (const std::string& candidate : process.RunsFromInstalledTree()
                                            ? std::vector{installed, besideProgram}
                                            : std::vector{besideProgram, installed})
        if (const std::string found = Existing(process, candidate); !found.empty()) return found;
    return besideProgram;
}

void LoadSettings() {
    const IniLocation location = FindIniLocation();
    IniPath = location.Load;
    IniSavePath = location.Save;
    LoadImageList();
    LoadHolidays();
}

} // namespace basComon
