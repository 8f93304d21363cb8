#include "fakes.h"

#include <algorithm>
#include <cctype>

namespace fakes {
namespace {

long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

platform::LocalTime FromEpochMs(long long ms) {
    long long days = ms / 86400000;
    long long rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    platform::LocalTime t;
    t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.Year = static_cast<int>(yoe + era * 400 + (t.Month <= 2));
    t.Hour = static_cast<int>(rest / 3600000);
    t.Minute = static_cast<int>(rest / 60000 % 60);
    t.Second = static_cast<int>(rest / 1000 % 60);
    t.Milliseconds = static_cast<int>(rest % 1000);
    return t;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

} // namespace

FakeClock::FakeClock(platform::LocalTime start) {
    Set(start);
}

void FakeClock::Set(const platform::LocalTime& t) {
    epochMs_ = DaysFromCivil(t.Year, t.Month, t.Day) * 86400000LL + t.Hour * 3600000LL +
               t.Minute * 60000LL + t.Second * 1000LL + t.Milliseconds;
}

platform::LocalTime FakeClock::Now() {
    if (OnNow) OnNow(*this);
    return FromEpochMs(epochMs_);
}

void FakeClock::Sleep(int milliseconds) {
    Sleeps.push_back(milliseconds);
    Advance(milliseconds);
}

void FakeClock::Advance(long long milliseconds) {
    epochMs_ += milliseconds;
    elapsedMs_ += milliseconds;
}

std::string FakeClock::AbbreviatedWeekdayName(int weekday) {
    static const char* const names[] = {"日", "月", "火", "水", "木", "金", "土"};
    return weekday >= 1 && weekday <= 7 ? names[weekday - 1] : "";
}

bool FakeProcess::ReadFile(const std::string& path, std::string& bytes) {
    auto it = files.find(path);
    if (it == files.end()) return false;
    bytes = it->second;
    return true;
}

std::string FakeProcess::ResolvePathCase(const std::string& path) {
    if (files.count(path)) return path;
    for (const auto& [name, bytes] : files)
        if (Lower(name) == Lower(path)) return name;
    return path;
}

double FakeProcess::Random() {
    if (randomSequence.empty()) return 0.0;
    const double r = randomSequence[next_ % randomSequence.size()];
    ++next_;
    return r;
}

std::string FakeText::ToLower(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        // Full-width Ａ..Ｚ (EF BC A1..BA) to ａ..ｚ (EF BD 81..9A).
        if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBC) {
            const unsigned char t = static_cast<unsigned char>(utf8[i + 2]);
            if (t >= 0xA1 && t <= 0xBA) {
                out += "\xEF\xBD";
                out += static_cast<char>(t - 0xA1 + 0x81);
                i += 2;
                continue;
            }
        }
        out += static_cast<char>(std::tolower(c));
    }
    return out;
}

bool FakeText::FitsCodePage(const std::string& utf8) {
    return utf8.find("\xC3\xA9") == std::string::npos;
}

std::string MemorySettingsFile::Read(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, const std::string& file) {
    auto it = values.find({file, Lower(Trim(section)), Lower(Trim(key))});
    if (it != values.end()) return it->second;
    std::string d = defaultValue;
    while (!d.empty() && d.back() == ' ')
        d.pop_back();
    return d;
}

bool MemorySettingsFile::Write(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    ++writes;
    if (failWrites) return false;
    values[{file, Lower(Trim(section)), Lower(Trim(key))}] = Trim(value);
    return true;
}

platform::SettingsLines MemorySettingsFile::ReadSection(const std::string& section,
                                                        const std::string& file) {
    platform::SettingsLines lines;
    const std::string name = Lower(Trim(section));
    for (const auto& [where, value] : values)
        if (std::get<0>(where) == file && std::get<1>(where) == name)
            lines.emplace_back(std::get<2>(where), value);
    return lines;
}

bool MemorySettingsFile::ReplaceSection(const std::string& section,
                                        const platform::SettingsLines& lines,
                                        const std::string& file) {
    ++writes;
    if (failWrites) return false;
    const std::string name = Lower(Trim(section));
    std::erase_if(values, [&](const auto& item) {
        return std::get<0>(item.first) == file && std::get<1>(item.first) == name;
    });
    for (const auto& [key, value] : lines)
        values[{file, name, Lower(Trim(key))}] = Trim(value);
    return true;
}

bool MemorySettingsFile::Has(const std::string& file, const std::string& section,
                             const std::string& key) const {
    return values.count({file, Lower(section), Lower(key)}) > 0;
}

std::string MemorySettingsFile::Get(const std::string& file, const std::string& section,
                                    const std::string& key) const {
    auto it = values.find({file, Lower(section), Lower(key)});
    return it == values.end() ? std::string() : it->second;
}

} // namespace fakes
