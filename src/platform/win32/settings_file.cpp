// The settings file through the system's own private-profile functions.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "codepage.h"
#include "file_replace.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

// Far beyond any line the program stores; a bound so a damaged file cannot exhaust memory.
constexpr DWORD LargestValue = 16 * 1024 * 1024;
// A whole section of the longest list: 32767 lines of several hundred bytes each.
constexpr DWORD LargestSection = 256 * 1024 * 1024;

bool HasLineBreakOrNul(const std::string& text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

// What a key read gives for a stored value: blanks around it dropped, then one pair of matching
// quotes.
std::string_view AsRead(std::string_view value) {
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    value = value.substr(first, value.find_last_not_of(" \t") - first + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

// The section's lines in ANSI form, "key=value" each, in one call with the buffer grown to fit.
std::optional<std::string> ReadSectionBlock(const std::string& section, const std::string& file) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD copied =
            GetPrivateProfileSectionA(section.c_str(), buffer.data(), size, file.c_str());
        // A section that does not fit comes back cut, and the count is then size - 2.
        if (copied < size - 2) return std::string(buffer.data(), copied);
        if (size >= LargestSection) return std::nullopt;
        buffer.resize(buffer.size() * 4);
    }
}

// key=value pairs of a section block, as the key reads give each value.
SettingsLines ParseBlock(const std::string& block) {
    SettingsLines lines;
    std::size_t start = 0;
    while (start < block.size()) {
        auto end = block.find('\0', start);
        if (end == std::string::npos) end = block.size();
        const std::string_view line(block.data() + start, end - start);
        start = end + 1;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = AsRead(line.substr(0, equals));
        if (key.empty()) continue;
        lines.emplace_back(AnsiToUtf8(std::string(key)),
                           AnsiToUtf8(std::string(AsRead(line.substr(equals + 1)))));
    }
    return lines;
}

bool ReadAll(const std::wstring& path, std::string& bytes) {
    // Another save may put its file in this one's place meanwhile: this read keeps the old one.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < LargestSection;
    DWORD read = 0;
    if (ok) bytes.resize(static_cast<std::size_t>(size.QuadPart));
    ok = ok && (bytes.empty() ||
                (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                 read == bytes.size()));
    CloseHandle(file);
    return ok;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    const bool ok = bytes.empty() || (::WriteFile(file, bytes.data(),
                                                  static_cast<DWORD>(bytes.size()), &written,
                                                  nullptr) &&
                                      written == bytes.size());
    return FlushFileBuffers(file) && ok;
}

// A missing file whose save an earlier version cut off between its two renames is the file
// that save left.
void RestoreIfMissing(const std::string& file) {
    if (const std::wstring target = Utf8ToWide(file);
        GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        RestoreLeftover(target);
}

// The section name a line opens ("[name]", blanks around it ignored), or nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '[') return std::nullopt;
    const auto close = line.rfind(']');
    if (close == std::string_view::npos || close < first) return std::nullopt;
    return AsRead(line.substr(first + 1, close - first - 1));
}

// `file` (ANSI bytes) with the content of the first section named `section` made the lines of
// `block` (key=value, each ended by NUL); a missing section is added at the end. Every other
// line stays as it is, its line end becoming CR LF.
std::string WithSection(const std::string& file, const std::string& section,
                        const std::string& block) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < file.size();) {
        const auto end = std::min(file.find_first_of("\r\n", start), file.size());
        lines.push_back(std::string_view(file).substr(start, end - start));
        start = file.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    }
    std::size_t header = lines.size(), end = lines.size();
    for (std::size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
        const auto name = SectionName(lines[i]);
        if (name && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name->data(),
                                   static_cast<int>(name->size()), section.data(),
                                   static_cast<int>(section.size())) == CSTR_EQUAL)
            header = i;
    }
    if (header < lines.size()) {
        end = header + 1;
        while (end < lines.size() && !SectionName(lines[end]))
            ++end;
        // Blank lines before the next section keep separating it.
        while (end > header + 1 && AsRead(lines[end - 1]).empty() &&
               lines[end - 1].find_first_not_of(" \t") == std::string_view::npos)
            --end;
    }
    std::string out;
    out.reserve(file.size() + block.size() + 64);
    for (std::size_t i = 0; i < std::min(header, lines.size()); ++i)
        out.append(lines[i]).append("\r\n");
    out.append(header < lines.size() ? std::string(lines[header]) : "[" + section + "]")
        .append("\r\n");
    for (std::size_t start = 0; start < block.size() && block[start];) {
        const auto nul = block.find('\0', start);
        out.append(block, start, nul - start).append("\r\n");
        start = nul + 1;
    }
    for (std::size_t i = end; i < lines.size(); ++i)
        out.append(lines[i]).append("\r\n");
    return out;
}

class PrivateProfileFile : public SettingsFile {
  public:
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, const std::string& file) override {
        const auto ansiFile = Utf8ToAnsiExact(file);
        const std::string ansiSection = Utf8ToAnsi(section), ansiKey = Utf8ToAnsi(key),
                          ansiDefault = Utf8ToAnsi(defaultValue);
        // A path the code page cannot carry would name another file.
        if (!ansiFile) {
            std::string fallback = defaultValue;
            while (!fallback.empty() && fallback.back() == ' ')
                fallback.pop_back();
            return fallback;
        }
        RestoreIfMissing(file);
        // The function cuts a value that does not fit and then returns size - 1: grow the
        // buffer until the value comes back whole.
        std::vector<char> buffer(256);
        for (;;) {
            const DWORD size = static_cast<DWORD>(buffer.size());
            const DWORD copied =
                GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiDefault.c_str(),
                                         buffer.data(), size, ansiFile->c_str());
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
            if (HasLineBreakOrNul(*text) || !FitsAnsi(*text)) return false;
        const auto ansiFile = Utf8ToAnsiExact(file);
        if (ansiFile) RestoreIfMissing(file);
        return ansiFile &&
               WritePrivateProfileStringA(Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(),
                                          Utf8ToAnsi(value).c_str(), ansiFile->c_str()) != FALSE;
    }

    SettingsLines ReadSection(const std::string& section, const std::string& file) override {
        const auto ansiFile = Utf8ToAnsiExact(file);
        const auto ansiSection = Utf8ToAnsiExact(section);
        if (!ansiFile || !ansiSection) return {};
        RestoreIfMissing(file);
        const auto block = ReadSectionBlock(*ansiSection, *ansiFile);
        return block ? ParseBlock(*block) : SettingsLines{};
    }

    // The section is written into a copy of the file beside it, checked by reading it back, and
    // only then renamed over the file in one step: at every instant the file is the old one
    // or the new one, and a failure on the way leaves it as it was.
    bool ReplaceSection(const std::string& section, const SettingsLines& lines,
                        const std::string& file) override {
        const auto ansiFile = Utf8ToAnsiExact(file);
        const auto ansiSection = Utf8ToAnsiExact(section);
        if (!ansiFile || !ansiSection || HasLineBreakOrNul(section)) return false;
        std::string block;
        for (const auto& [key, value] : lines) {
            const auto ansiKey = Utf8ToAnsiExact(key);
            const auto ansiValue = Utf8ToAnsiExact(value);
            if (!ansiKey || !ansiValue || AsRead(*ansiKey).empty() ||
                key.find('=') != std::string::npos || HasLineBreakOrNul(key) ||
                HasLineBreakOrNul(value))
                return false;
            block.append(*ansiKey).append(1, '=').append(*ansiValue).append(1, '\0');
        }
        block += '\0';

        const std::wstring target = Utf8ToWide(file);
        RestoreIfMissing(file);
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        // A file marked read-only stays as it is, as the profile functions leave it.
        if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
            return false;
        RemoveLeftovers(target);
        std::string bytes;
        if (exists && !ReadAll(target, bytes)) return false;
        constexpr DWORD Kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        TemporaryFile temporary(target, exists && (attributes & Kept) ? attributes & Kept
                                                                        : FILE_ATTRIBUTE_NORMAL);
        if (!temporary.Valid()) return false;
        // Its name is ASCII beside a name the code page carries, so the code page carries it.
        const std::string ansiTemporary =
            *ansiFile + WideToUtf8(temporary.Path().substr(target.size()));
        // The section goes into the copy in one write; the profile function does the same but
        // inserts key by key, which takes seconds for a long list. A UTF-16 file is left to it.
        bool saved = false;
        if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF"))
            saved = WriteAll(temporary.Handle(), WithSection(bytes, *ansiSection, block));
        else if (WriteAll(temporary.Handle(), bytes)) {
            // The profile function writes the file opened without sharing.
            temporary.Release();
            saved = WritePrivateProfileSectionA(ansiSection->c_str(), block.data(),
                                                ansiTemporary.c_str()) != FALSE;
        }
        // Lets go of the copy the system keeps of the file, so the check reads the disk.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ansiTemporary.c_str());
        if (saved) saved = Matches(ReadSectionBlock(*ansiSection, ansiTemporary), block);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ansiTemporary.c_str());
        if (saved && temporary.Handle() == INVALID_HANDLE_VALUE) saved = temporary.Hold();
        const std::wstring temporaryPath = temporary.Path();
        if (saved && !ContinueSave(SaveStep::TemporaryWritten, temporaryPath)) {
            temporary.Abandon();
            return false;
        }
        saved = saved && temporary.PutInPlace(target);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ansiFile->c_str());
        return saved && ContinueSave(SaveStep::Replaced, temporaryPath);
    }

  private:
    // The section as read back equals what was written, value for value as the key reads give
    // them: a value the system cut or changed fails the save.
    static bool Matches(const std::optional<std::string>& readBack, const std::string& written) {
        if (!readBack) return false;
        const SettingsLines got = ParseBlock(*readBack), wanted = ParseBlock(written);
        if (got.size() != wanted.size()) return false;
        for (std::size_t i = 0; i < got.size(); ++i)
            if (got[i].second != wanted[i].second ||
                CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, got[i].first.c_str(), -1,
                               wanted[i].first.c_str(), -1) != CSTR_EQUAL)
                return false;
        return true;
    }
};

} // namespace

SettingsFile& SettingsFileService() {
    static PrivateProfileFile service;
    return service;
}

} // namespace platform::win32
