#include <algorithm>
#include <unordered_map>

#include "platform/services.h"
#include "settings.h"

namespace basComon {
namespace {

const char* const ImageSection = "Image";
const char* const CountKey = "Count";

std::string TrimBlanks(const std::string& text, const char* blanks = " ") {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number such as "1", "-1", "2.5" or ".5": any non-zero one means True.
bool ParseNumber(const std::string& text, bool& nonZero) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    nonZero = false;
    for (bool seenPoint = false; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            digits = true;
            nonZero = nonZero || text[i] != '0';
        } else if (text[i] == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            return false;
        }
    }
    return digits;
}

bool ParseFlag(const std::string& piece) {
    const std::string text = TrimBlanks(piece);
    if (EqualsIgnoringAsciiCase(text, "true")) return true;
    if (EqualsIgnoringAsciiCase(text, "false")) return false;
    bool nonZero = false;
    return ParseNumber(text, nonZero) && nonZero;
}

} // namespace

std::string FormatImageLine(const ImageEntry& entry) {
    return std::string(entry.Flag ? "True" : "False") + '\t' + entry.Title + '\t' + entry.Folder +
           '\t' + entry.FileName + '\t' + entry.OrigFolder;
}

ImageEntry ParseImageLine(const std::string& line) {
    ImageEntry entry;
    const std::string value = TrimBlanks(line);
    if (value.empty()) return entry;
    std::string* const fields[] = {nullptr, &entry.Title, &entry.Folder, &entry.FileName,
                                   &entry.OrigFolder};
    std::size_t start = 0;
    for (int piece = 0; piece < 5; ++piece) {
        const auto tab = value.find('\t', start);
        const std::string text =
            value.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        if (piece == 0)
            entry.Flag = ParseFlag(text);
        else
            *fields[piece] = text;
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return entry;
}

int ParseImageCount(const std::string& text) {
    const std::string value = TrimBlanks(text, " \t");
    std::size_t i = value.size() > 0 && value[0] == '+' ? 1 : 0;
    if (i == value.size()) return -1;
    long count = 0;
    for (; i < value.size(); ++i) {
        if (!IsDigit(value[i])) return -1;
        count = count * 10 + (value[i] - '0');
        if (count > MaxListEntries) return -1;
    }
    return static_cast<int>(count);
}

void LoadImageList() {
    // The whole section in one read; each key as a key-by-key read finds it (the first of a
    // name, matched without regard to case).
    std::unordered_map<std::string, std::string> values;
    if (!IniPath.empty())
        for (auto& [key, value] :
             platform::Current().settingsFile->ReadSection(ImageSection, IniPath))
            values.try_emplace(LowerAscii(key), TrimNull(value));
    const auto value = [&values](const std::string& key) -> const std::string* {
        const auto found = values.find(key);
        return found == values.end() ? nullptr : &found->second;
    };

    // A damaged or missing count does not hide the entries: they run from key 1 up to the
    // first one missing, so that the next save writes them back with a sound count.
    const std::string* countText = value("count");
    int count = countText ? ParseImageCount(*countText) : -1;
    if (count < 0) {
        count = 0;
        while (count < MaxListEntries && value(std::to_string(count + 1)))
            ++count;
    }
    std::vector<ImageEntry> list(static_cast<std::size_t>(count) + 1);
    for (int i = 1; i <= count; ++i)
        if (const std::string* line = value(std::to_string(i)))
            list[static_cast<std::size_t>(i)] = ParseImageLine(*line);
    ImageList = std::move(list);
}

bool SaveImageList() {
    if (IniSavePath.empty()) return false;
    // The per-user folder may not exist yet; the program's own folder always does.
    const char separator = platform::Current().text->PathSeparator();
    const auto lastSeparator = IniSavePath.rfind(separator);
    if (lastSeparator != std::string::npos)
        platform::Current().process->EnsureDirectory(IniSavePath.substr(0, lastSeparator + 1));

    // The section is replaced whole, so keys above the count (pictures deleted earlier) go.
    const int count = std::min(ImageCount(), MaxListEntries);
    platform::SettingsLines lines;
    lines.reserve(static_cast<std::size_t>(count) + 1);
    lines.emplace_back(CountKey, std::to_string(count));
    for (int i = 1; i <= count; ++i)
        lines.emplace_back(std::to_string(i),
                           FormatImageLine(ImageList[static_cast<std::size_t>(i)]));
    if (!platform::Current().settingsFile->ReplaceSection(ImageSection, lines, IniSavePath))
        return false;
    IniPath = IniSavePath;
    return true;
}

} // namespace basComon
