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

struct Document {
    std::vector<std::string> lines;
    bool byteOrderMark = false;
    bool fromShiftJis = false; // the file is written back in UTF-8
};

Document Parse(std::string bytes) {
    Document document;
    if (bytes.starts_with(ByteOrderMark)) {
        document.byteOrderMark = true;
        bytes.erase(0, ByteOrderMark.size());
    }
    document.fromShiftJis = !IsValidUtf8(bytes);
    const std::string text = Utf8FromFileBytes(bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            document.lines.push_back(text.substr(start));
            break;
        }
        document.lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return document;
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

enum class Loaded { Ok, Missing, Failed };

Loaded ReadWholeFile(const std::string& path, std::string& bytes, struct stat* opened = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Loaded::Missing : Loaded::Failed;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return Loaded::Failed;
    }
    bytes.clear();
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

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes `bytes` to a new file beside `path`, makes it durable, then renames it over `path`, so
// that a reader sees either the old file or the new one, never a part of either.
bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The file a write lands in: a symbolic link is followed so that it stays a link.
std::string WriteTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
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
        if (sectionName.empty() || keyName.empty() || keyName.find('=') != std::string::npos ||
            HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value))
            return false;

        const std::string target = WriteTarget(file);
        struct stat info {};
        mode_t mode = 0644;
        Document document;
        std::string bytes;
        switch (ReadWholeFile(target, bytes)) {
        case Loaded::Failed:
            return false;
        case Loaded::Missing: {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
            break;
        }
        case Loaded::Ok:
            // A file marked read-only stays as it is, as on Windows, even for a user whom the
            // folder would let replace it.
            if (::stat(target.c_str(), &info) != 0 || (info.st_mode & 0222) == 0 ||
                ::access(target.c_str(), W_OK) != 0)
                return false;
            mode = info.st_mode & 07777;
            document = Parse(std::move(bytes));
            break;
        }

        const std::string line = std::string(keyName) + '=' + value;
        auto& lines = document.lines;
        if (const auto range = FindSection(document, sectionName)) {
            if (const auto existing = FindKey(document, *range, keyName)) {
                // The stored spelling of the name stays.
                std::string replacement =
                    std::string(ParseKeyLine(lines[*existing]).name) + '=' + value;
                // Saving a list rewrites every line; one that is already there as it would be
                // written costs no replace (and no wait for the disk).
                if (replacement == lines[*existing] && !document.fromShiftJis) return true;
                lines[*existing] = std::move(replacement);
            } else {
                // After the section's last line that is not blank, so that blank lines keep
                // separating it from the next section.
                std::size_t at = range->end;
                while (at > range->header + 1 && Trim(lines[at - 1]).empty())
                    --at;
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
            }
        } else {
            lines.push_back('[' + std::string(sectionName) + ']');
            lines.push_back(line);
        }

        std::string out = document.byteOrderMark ? std::string(ByteOrderMark) : std::string();
        for (const auto& text : lines)
            out += text + "\r\n";
        cache_ = {};
        return ReplaceFile(target, out, mode);
    }

  private:
    // A list of n pictures is read key by key: the file is parsed once, not n times, while it
    // stays the same file with the same size and time of change.
    struct Cache {
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec changed{};
        std::unordered_map<std::string, std::optional<std::string>> values;
    };

    bool Load(const std::string& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return false;
        if (path == cache_.path && info.st_dev == cache_.device && info.st_ino == cache_.inode &&
            info.st_size == cache_.size && info.st_mtim.tv_sec == cache_.changed.tv_sec &&
            info.st_mtim.tv_nsec == cache_.changed.tv_nsec)
            return true;
        cache_ = {};
        std::string bytes;
        if (ReadWholeFile(path, bytes, &info) != Loaded::Ok) return false;
        cache_.values = IndexValues(Parse(std::move(bytes)));
        // A file changed a moment ago could change again within the same tick of the file
        // system's clock, with nothing to show for it; such a file is read afresh next time.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        if (now.tv_sec - info.st_mtim.tv_sec < 2) return true;
        cache_.path = path;
        cache_.device = info.st_dev;
        cache_.inode = info.st_ino;
        cache_.size = info.st_size;
        cache_.changed = info.st_mtim;
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
