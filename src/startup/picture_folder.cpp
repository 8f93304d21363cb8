#include <algorithm>
#include <filesystem>
#include <system_error>

#include "settings/settings.h"
#include "startup.h"

namespace basComon {
namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool IsShownPicture(const std::string& name) {
    return IsPictureExtension(PictureExtension(name));
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::string ExpandHome(const std::string& folder, const std::string& home) {
    if (home.empty() || folder.empty() || folder[0] != '~') return folder;
    if (folder.size() == 1) return home;
    return folder[1] == '/' ? home + folder.substr(1) : folder;
}

std::vector<ImageEntry> FolderImageList(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(PathOf(folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = Utf8Of(it->path().filename());
        std::error_code kindError;
        if (IsShownPicture(name) && it->is_regular_file(kindError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    if (names.size() > static_cast<std::size_t>(MaxListEntries)) names.resize(MaxListEntries);

    std::vector<ImageEntry> list(1);
    const std::string withSeparator = AddBackslash(folder);
    for (const std::string& name : names)
        list.push_back(ImageEntry{withSeparator, name, name, withSeparator, true});
    return list;
}

std::string XScreenSaverImageDirectory(const std::string& settingsText, const std::string& home) {
    const std::string key = "imageDirectory:";
    std::size_t start = 0;
    while (start < settingsText.size()) {
        std::size_t end = settingsText.find('\n', start);
        if (end == std::string::npos) end = settingsText.size();
        const std::string line = settingsText.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, key.size(), key) != 0) continue;
        // Only a folder on this machine: the setting may also hold a feed's address.
        const std::string folder = ExpandHome(Trimmed(line.substr(key.size())), home);
        return !folder.empty() && folder[0] == '/' ? folder : std::string();
    }
    return {};
}

} // namespace basComon
