// A private-profile (INI) reader and writer that behaves like the Windows one the program was
// made for, so a settings file reads the same whichever build wrote it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "codepage.h"
#include "file_replace.h"
#include "qt_services.h"

namespace platform::qt {
namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The name of the section a line opens: the text between '[' and the last ']'.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.rfind(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// A line inside a section: `name=value`, or a bare name (a comment reads as one) that has no
// value, and so gives the default.
struct KeyLine {
    std::string_view name;
    std::optional<std::string_view> value;
};

KeyLine ParseKeyLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return {Trim(line), std::nullopt};
    return {Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

enum class Encoding { Utf8, Utf8WithMark, Utf16LE, Utf16BE };

// The file as lines of UTF-8 text. A line that neither UTF-8 nor Shift-JIS reads exactly keeps
// its bytes, and is written back as it was while nothing changes it.
struct Document {
    std::vector<std::string> lines;
    std::unordered_map<std::size_t, std::string> keptBytes; // line index -> the line's bytes
    Encoding encoding = Encoding::Utf8;
    bool fromShiftJis = false; // some line is Shift-JIS, and a write turns it into UTF-8

    void Set(std::size_t line, std::string text) {
        keptBytes.erase(line);
        lines[line] = std::move(text);
    }
    // Inserting or removing lines moves the kept lines' indexes along.
    void Splice(std::size_t at, std::size_t removed, std::vector<std::string> added) {
        std::unordered_map<std::size_t, std::string> kept;
        for (auto& [index, bytes] : keptBytes) {
            if (index < at)
                kept.emplace(index, std::move(bytes));
            else if (index >= at + removed)
                kept.emplace(index - removed + added.size(), std::move(bytes));
        }
        keptBytes = std::move(kept);
        const auto first = lines.begin() + static_cast<std::ptrdiff_t>(at);
        lines.erase(first, first + static_cast<std::ptrdiff_t>(removed));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                     std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    }
};

// CR LF, LF and CR each end a line.
template <typename Each> void SplitLines(std::string_view text, Each each) {
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            each(text.substr(start));
            break;
        }
        each(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

Document Parse(std::string_view bytes) {
    Document document;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        document.encoding = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        const std::string text = Utf16ToUtf8(bytes.substr(2), bigEndian);
        SplitLines(text, [&](std::string_view line) { document.lines.emplace_back(line); });
        return document;
    }
    if (bytes.starts_with(ByteOrderMark)) {
        document.encoding = Encoding::Utf8WithMark;
        bytes.remove_prefix(ByteOrderMark.size());
    }
    SplitLines(bytes, [&](std::string_view line) {
        bool lossless = true;
        document.lines.push_back(DecodeLine(line, &lossless));
        if (!lossless)
            document.keptBytes.emplace(document.lines.size() - 1, std::string(line));
        else if (document.lines.back() != line)
            document.fromShiftJis = true;
    });
    return document;
}

std::string Serialize(const Document& document) {
    const bool utf16 =
        document.encoding == Encoding::Utf16LE || document.encoding == Encoding::Utf16BE;
    const bool bigEndian = document.encoding == Encoding::Utf16BE;
    std::string out;
    if (utf16)
        out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    else if (document.encoding == Encoding::Utf8WithMark)
        out = ByteOrderMark;
    for (std::size_t i = 0; i < document.lines.size(); ++i) {
        if (utf16) {
            out += Utf8ToUtf16(document.lines[i] + "\r\n", bigEndian);
            continue;
        }
        const auto kept = document.keptBytes.find(i);
        out += kept != document.keptBytes.end() ? kept->second : document.lines[i];
        out += "\r\n";
    }
    return out;
}

// Where a section's lines lie: [header, end).
struct SectionRange {
    std::size_t header, end;
};

std::optional<SectionRange> FindSection(const Document& document, std::string_view section) {
    const auto& lines = document.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i]);
        if (!name || !SameName(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end]))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const Document& document, const SectionRange& range,
                                   std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const std::string_view line = document.lines[i];
        if (Trim(line).empty()) continue;
        if (SameName(ParseKeyLine(line).name, key)) return i;
    }
    return std::nullopt;
}

// Where a section's content ends: after its last line that is not blank, so that blank lines
// keep separating it from the next section.
std::size_t EndOfContent(const Document& document, const SectionRange& range) {
    std::size_t at = range.end;
    while (at > range.header + 1 && Trim(document.lines[at - 1]).empty())
        --at;
    return at;
}

enum class Loaded { Ok, Missing, Failed };

// Only a regular file is read: a pipe or a device would block or never end, and counts as
// missing.
Loaded ReadOnce(const std::string& path, std::string& bytes, struct stat* opened) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENXIO ? Loaded::Missing : Loaded::Failed;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return S_ISDIR(info.st_mode) ? Loaded::Failed : Loaded::Missing;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return Loaded::Failed;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (opened) *opened = info;
    return Loaded::Ok;
}

// A missing file whose save was cut off after its new content was complete is that content.
Loaded ReadWholeFile(const std::string& path, std::string& bytes, struct stat* opened = nullptr) {
    const Loaded loaded = ReadOnce(path, bytes, opened);
    if (loaded != Loaded::Missing || !RestoreLeftover(path)) return loaded;
    return ReadOnce(path, bytes, opened);
}

// The file a write lands in: a symbolic link is followed so that it stays a link.
std::string WriteTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The file as it stands for a change, with the mode the new one gets; false when it may not be
// changed (a file marked read-only stays as it is, as on Windows, even for a user whom the
// folder would let replace it).
bool LoadForChange(const std::string& target, Document& document, mode_t& mode) {
    std::string bytes;
    struct stat info {};
    switch (ReadWholeFile(target, bytes, &info)) {
    case Loaded::Failed:
        return false;
    case Loaded::Missing: {
        // A pipe or a device under that name is not replaced by a file.
        if (::lstat(target.c_str(), &info) == 0) return false;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
        return true;
    }
    case Loaded::Ok:
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return false;
        mode = info.st_mode & 07777;
        document = Parse(bytes);
        return true;
    }
    return false;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string IndexKey(std::string_view section, std::string_view key) {
    return LowerAscii(section) + '\n' + LowerAscii(key);
}

// The values of one file as a reader finds them: the first section of a name, the first key of
// a name in it; a key without '=' has no value.
std::unordered_map<std::string, std::optional<std::string>> IndexValues(const Document& document) {
    std::unordered_map<std::string, std::optional<std::string>> values;
    std::unordered_set<std::string> sectionsSeen;
    bool inFirstOfItsName = false;
    std::string section;
    for (const std::string& line : document.lines) {
        if (const auto name = SectionName(line)) {
            section = std::string(*name);
            inFirstOfItsName = sectionsSeen.insert(LowerAscii(section)).second;
            continue;
        }
        if (!inFirstOfItsName || Trim(line).empty()) continue;
        const KeyLine key = ParseKeyLine(line);
        std::optional<std::string> value;
        if (key.value) value = std::string(Unquote(*key.value));
        values.try_emplace(IndexKey(section, key.name), std::move(value));
    }
    return values;
}

bool ValidName(std::string_view name) {
    return !Trim(name).empty() && !HasLineBreakOrNul(name);
}

// A section header that is not UTF-8 reads back as Shift-JIS, where a last lead byte takes the
// closing ']' along: the section's lines would land in the section before it.
bool ValidSectionName(std::string_view name) {
    return ValidName(name) && IsValidUtf8(name);
}

class PrivateProfileFile : public SettingsFile {
  public:
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, const std::string& file) override {
        // Only spaces, not tabs, leave the end of the default, as with the Windows function.
        std::string fallback = defaultValue;
        while (!fallback.empty() && fallback.back() == ' ')
            fallback.pop_back();
        if (!Load(file)) return fallback;
        const auto found = cache_.values.find(IndexKey(Trim(section), Trim(key)));
        if (found == cache_.values.end() || !found->second) return fallback;
        return *found->second;
    }

    bool Write(const std::string& section, const std::string& key, const std::string& value,
               const std::string& file) override {
        const std::string_view sectionName = Trim(section), keyName = Trim(key);
        // Such names or values could not be read back as they were given; a line break would
        // even let a value write lines of its own.
        if (!ValidSectionName(section) || !ValidName(key) || keyName.find('=') != std::string::npos ||
            HasLineBreakOrNul(value))
            return false;

        const std::string target = WriteTarget(file);
        mode_t mode = 0644;
        Document document;
        if (!LoadForChange(target, document, mode)) return false;

        const std::string line = std::string(keyName) + '=' + value;
        auto& lines = document.lines;
        if (const auto range = FindSection(document, sectionName)) {
            if (const auto existing = FindKey(document, *range, keyName)) {
                // The stored spelling of the name stays.
                std::string replacement =
                    std::string(ParseKeyLine(lines[*existing]).name) + '=' + value;
                // Saving rewrites every line; one that is already there as it would be written
                // costs no replace (and no wait for the disk).
                if (replacement == lines[*existing] && !document.fromShiftJis) return true;
                document.Set(*existing, std::move(replacement));
            } else {
                document.Splice(EndOfContent(document, *range), 0, {line});
            }
        } else {
            document.Splice(lines.size(), 0, {'[' + std::string(sectionName) + ']', line});
        }
        cache_ = {};
        return ReplaceFile(target, Serialize(document), mode);
    }

    SettingsLines ReadSection(const std::string& section, const std::string& file) override {
        std::string bytes;
        if (ReadWholeFile(file, bytes) != Loaded::Ok) return {};
        const Document document = Parse(bytes);
        const auto range = FindSection(document, Trim(section));
        if (!range) return {};
        SettingsLines lines;
        for (std::size_t i = range->header + 1; i < range->end; ++i) {
            const KeyLine key = ParseKeyLine(document.lines[i]);
            if (key.value && !key.name.empty())
                lines.emplace_back(std::string(key.name), std::string(Unquote(*key.value)));
        }
        return lines;
    }

    bool ReplaceSection(const std::string& section, const SettingsLines& lines,
                        const std::string& file) override {
        if (!ValidSectionName(section)) return false;
        std::vector<std::string> content;
        content.reserve(lines.size());
        for (const auto& [key, value] : lines) {
            if (!ValidName(key) || key.find('=') != std::string::npos || HasLineBreakOrNul(value))
                return false;
            content.push_back(std::string(Trim(key)) + '=' + value);
        }

        const std::string target = WriteTarget(file);
        mode_t mode = 0644;
        Document document;
        if (!LoadForChange(target, document, mode)) return false;
        if (const auto range = FindSection(document, Trim(section))) {
            const std::size_t end = EndOfContent(document, *range);
            document.Splice(range->header + 1, end - range->header - 1, std::move(content));
        } else {
            content.insert(content.begin(), '[' + std::string(Trim(section)) + ']');
            document.Splice(document.lines.size(), 0, std::move(content));
        }
        cache_ = {};
        return ReplaceFile(target, Serialize(document), mode);
    }

  private:
    static bool Same(const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    }

    // A list of n pictures is read key by key: the file is parsed once, not n times, while it
    // stays the same file with the same size and time of change.
    struct Cache {
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec changed{};
        // Set by the system at every change, whatever time of change a writer then gives it.
        timespec statusChanged{};
        std::unordered_map<std::string, std::optional<std::string>> values;
    };

    bool Load(const std::string& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 &&
            (errno != ENOENT || !RestoreLeftover(path) || ::stat(path.c_str(), &info) != 0))
            return false;
        if (path == cache_.path && info.st_dev == cache_.device && info.st_ino == cache_.inode &&
            info.st_size == cache_.size && Same(info.st_mtim, cache_.changed) &&
            Same(info.st_ctim, cache_.statusChanged))
            return true;
        cache_ = {};
        std::string bytes;
        if (ReadWholeFile(path, bytes, &info) != Loaded::Ok) return false;
        cache_.values = IndexValues(Parse(bytes));
        // A file changed a moment ago could change again within the same tick of the file
        // system's clock, with nothing to show for it; such a file is read afresh next time.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        // A time in the future says nothing about later changes either. A writer may set the
        // time of change back to what it was, so the status change time, which no writer sets,
        // counts too; it shares the clock's ticks, so a recent one is no proof either.
        if (now.tv_sec - info.st_mtim.tv_sec < 2 || now.tv_sec - info.st_ctim.tv_sec < 2)
            return true;
        cache_.path = path;
        cache_.device = info.st_dev;
        cache_.inode = info.st_ino;
        cache_.size = info.st_size;
        cache_.changed = info.st_mtim;
        cache_.statusChanged = info.st_ctim;
        return true;
    }

    Cache cache_;
};

} // namespace

SettingsFile& SettingsFileService() {
    static PrivateProfileFile service;
    return service;
}

} // namespace platform::qt
