#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "commands.h"
#include "settings/settings.h"

namespace {

const char* const Usage =
    "Usage: lumora-tool check-rules FILE\n"
    "\n"
    "Reports, by line number, the lines of a holiday rule file that can never match a date:\n"
    "too few fields, a month or day that is not a number in range, an unknown keyword, a\n"
    "blank before the keyword, a fixed date that no year has. Prints nothing and exits with 0\n"
    "when every line is usable, exits with 1 when something was reported.\n";

// Fixed dates the calendar never has (31 April, 30 February, day 0), found line by line so
// that each keeps its line number.
void AddImpossibleFixedDates(const std::string& text,
                             std::vector<basComon::HolidayProblem>& problems) {
    std::size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        const std::size_t end = text.find('\n', start);
        const std::string one = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        const std::vector<HolidayEntry> entries = basComon::ParseHolidayFile(one);
        if (entries.size() != 1 || entries[0].Kind != "FIX") continue;
        const HolidayEntry& e = entries[0];
        // 2000 is a leap year, so 29 February counts as a day that some years have.
        if (e.Day < 1 || e.Day > basComon::GetDaysInMonth(2000, e.Month))
            problems.push_back({line, "day " + std::to_string(e.Day) + " never occurs in month " +
                                          std::to_string(e.Month)});
    }
}

} // namespace

int RunCheckRulesCommand(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (tool::IsHelpOption(arg)) {
            std::fputs(Usage, stdout);
            return tool::ExitOk;
        }
    }
    if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
        std::fprintf(stderr, "lumora-tool check-rules: exactly one rule file is needed\n\n%s",
                     Usage);
        return tool::ExitUsage;
    }
    tool::UseFileServices();
    const std::string& path = args[0];
    std::string text, error;
    if (!tool::ReadRuleFile(path, text, error)) {
        std::fprintf(stderr, "lumora-tool check-rules: %s\n", error.c_str());
        return tool::ExitUsage;
    }
    std::vector<basComon::HolidayProblem> problems;
    basComon::ParseHolidayFile(text, &problems);
    AddImpossibleFixedDates(text, problems);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto& a, const auto& b) { return a.Line < b.Line; });
    std::string out;
    for (const basComon::HolidayProblem& p : problems)
        out += path + ": line " + std::to_string(p.Line) + ": " + p.Reason + "\n";
    tool::WriteOut(out);
    return problems.empty() ? tool::ExitOk : tool::ExitProblems;
}
