#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/services.h"
#include "settings.h"

namespace basComon {
namespace {

const std::array<const char*, 7> KnownKinds = {"FIX",    "HAPPY",    "HAPPY3",  "SHUNBUN",
                                               "SHUBUN", "KOKUMIN5", "KOKUMIN9"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A whole number with optional blanks around its digits, signed only when `low` is negative;
// nothing when the text is not one or the number is outside [low, high].
std::optional<std::int32_t> WholeNumber(const std::string& text, std::int32_t low,
                                        std::int32_t high) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (low < 0 && i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    const long long largest = std::max<long long>(high, -static_cast<long long>(low));
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > largest) return std::nullopt;
    }
    if (i == firstDigit) return std::nullopt;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (negative) value = -value;
    if (i != text.size() || value < low || value > high) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

bool IsKnownKind(const std::string& kind) {
    for (const char* known : KnownKinds)
        if (kind == known) return true;
    return false;
}

} // namespace

std::vector<HolidayEntry> ParseHolidayFile(const std::string& text,
                                           std::vector<HolidayProblem>* problems) {
    auto report = [problems](int line, const char* reason) {
        if (problems) problems->push_back({line, reason});
    };
    std::vector<HolidayEntry> entries;
    // A byte-order mark left by an editor would otherwise hide the first keyword.
    std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    for (int lineNumber = 1; start < text.size(); ++lineNumber) {
        // CR LF, LF and CR each end a line.
        const auto end = text.find_first_of("\r\n", start);
        const std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos            ? text.size()
                : text.compare(end, 2, "\r\n") == 0 ? end + 2
                                                    : end + 1;

        if (line.find_first_not_of(" \t") == std::string::npos) {
            report(lineNumber, "empty line");
            continue;
        }
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() < 4) {
            report(lineNumber, "too few fields");
            continue;
        }
        const auto month = WholeNumber(fields[1], 1, 12);
        if (!month) {
            report(lineNumber, "month is not a whole number from 1 to 12");
            continue;
        }
        // Only a fixed date reads its day; the other rules find theirs whatever the field holds.
        // A fixed day outside 1 to 31 would still give a Monday 1st as its substitute holiday.
        const bool fixed = fields[0] == "FIX";
        const auto day = fixed ? WholeNumber(fields[2], 1, 31)
                               : WholeNumber(fields[2], std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max());
        if (!day) {
            report(lineNumber,
                   fixed ? "day is not a whole number from 1 to 31" : "day is not a whole number");
            continue;
        }
        if (entries.size() >= static_cast<std::size_t>(MaxListEntries)) {
            report(lineNumber, "more than 32767 rules");
            continue;
        }
        if (!fields[0].empty() && IsBlank(fields[0][0]))
            report(lineNumber, "blank before the keyword");
        else if (!IsKnownKind(fields[0]))
            report(lineNumber, "unknown keyword");
        entries.push_back({fields[0], *month, *day, fields[3]});
    }
    return entries;
}

void LoadHolidays() {
    HolidayList.assign(1, HolidayEntry{});
    HolidayCount = 0;
    std::string bytes;
    if (!platform::Current().process->ReadFile(FindHolidayPath(), bytes)) return;
    const std::vector<HolidayEntry> entries =
        ParseHolidayFile(platform::Current().text->FileTextToUtf8(bytes));
    HolidayList.insert(HolidayList.end(), entries.begin(), entries.end());
    HolidayCount = static_cast<std::int16_t>(entries.size());
}

} // namespace basComon
