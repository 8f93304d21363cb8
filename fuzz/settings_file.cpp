// The Linux settings file: any bytes as the file, then one value written and read back.
// The input is `section NUL key NUL value NUL file-bytes` (a missing part is empty, a missing
// section or key is "Image" or "Count"). A value the file can carry under a name it can carry
// reads back as written; every other key of every section keeps its value; a write refused
// leaves the file's bytes as they were.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/qt/codepage.h"
#include "platform/qt/qt_services.h"
#include "temporary_file.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

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

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// A text the file keeps as it is: UTF-8 on one line, without blanks at its ends.
bool Plain(std::string_view text) {
    return platform::qt::IsValidUtf8(text) &&
           text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           Trim(text) == text;
}

bool CarriedValue(std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return Plain(value) && !quoted;
}

bool CarriedName(std::string_view name) {
    return Plain(name) && !name.empty() && name.find('=') == std::string_view::npos &&
           name.front() != '[' && name.front() != ';';
}

// Every section name the file's lines could open, the way they read as text.
std::vector<std::string> SectionNames(const std::string& bytes) {
    std::vector<std::string> names;
    const std::string text = platform::qt::Utf8FromFileBytes(bytes);
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = Trim(std::string_view(text).substr(start, end - start));
        const auto close = line.rfind(']');
        if (!line.empty() && line.front() == '[' && close != std::string_view::npos)
            names.emplace_back(Trim(line.substr(1, close - 1)));
        start = end + 1;
    }
    return names;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A section's key=value lines without those of the written key (any case), under its name as
// given or as its written line reads back (a line that is not UTF-8 reads as Shift-JIS).
platform::SettingsLines Without(platform::SettingsLines lines, const std::string& key,
                                const std::string& value) {
    const std::string line = key + '=' + value;
    const auto name = [](const std::string& text) {
        return Lower(Trim(std::string_view(text).substr(0, text.find('='))));
    };
    // A UTF-16 file stores what is not UTF-8 as U+FFFD.
    const std::string names[] = {
        name(line), name(platform::qt::DecodeLine(line)),
        name(platform::qt::Utf16ToUtf8(platform::qt::Utf8ToUtf16(line, false), false))};
    std::erase_if(lines, [&](const auto& entry) {
        return std::find(std::begin(names), std::end(names), Lower(entry.first)) != std::end(names);
    });
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::TemporaryFile();
    platform::SettingsFile& file = platform::qt::SettingsFileService();

    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    for (std::string& part : parts) {
        const auto nul = input.find('\0');
        part = input.substr(0, nul);
        input.remove_prefix(nul == std::string_view::npos ? input.size() : nul + 1);
    }
    const std::string section = parts[0].empty() ? "Image" : parts[0];
    const std::string key = parts[1].empty() ? "Count" : parts[1];
    const std::string& value = parts[2];
    const std::string bytes(input);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        Require(static_cast<bool>(out.flush()));
    }

    std::vector<std::string> sections = SectionNames(bytes);
    sections.push_back(section);
    std::vector<platform::SettingsLines> before;
    for (const std::string& name : sections)
        before.push_back(file.ReadSection(name, path));
    file.Read(section, key, "", path);

    const bool written = file.Write(section, key, value, path);
    const bool carried = CarriedName(section) && CarriedName(key) && CarriedValue(value);
    if (carried) {
        Require(written);
        Require(file.Read(section, key, "(none)", path) == value);
    }
    if (!written) {
        Require(ReadBytes(path) == bytes);
        return 0;
    }
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const platform::SettingsLines after = file.ReadSection(sections[i], path);
        if (Lower(Trim(sections[i])) == Lower(Trim(section)))
            Require(Without(after, key, value) == Without(before[i], key, value));
        else
            Require(after == before[i]);
    }
    return 0;
}
