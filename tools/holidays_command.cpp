#include <cstdio>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "commands.h"
#include "settings/settings.h"

namespace {

const char* const Usage =
    "Usage: lumora-tool holidays FROM TO [--rules FILE]\n"
    "\n"
    "Prints 'YYYY-MM-DD,name' for every holiday from FROM to TO (both included, dates as\n"
    "YYYY-MM-DD), in date order, as the saver's calendar marks them.\n"
    "\n"
    "  --rules FILE  the holiday rule file to use; by default the Calender.dat the saver\n"
    "                reads (beside this tool, else the installed copy)\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "lumora-tool holidays: %s\n\n%s", message.c_str(), Usage);
    return tool::ExitUsage;
}

// Why `text` is no date: a wrong shape, or a day the calendar does not have.
std::string DateError(const std::string& text) {
    const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                        text.find_first_not_of("0123456789-") == std::string::npos;
    if (!shaped) return "'" + text + "' is not a date of the form YYYY-MM-DD";
    return "'" + text + "' is not a day of the calendar (years 0001 to 9999)";
}

} // namespace

int RunHolidaysCommand(const std::vector<std::string>& args) {
    std::vector<std::string> dates;
    std::string rules;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (tool::IsHelpOption(arg)) {
            std::fputs(Usage, stdout);
            return tool::ExitOk;
        }
        if (arg == "--rules") {
            if (i + 1 >= args.size()) return UsageError("--rules needs a file name");
            rules = args[++i];
        } else if (arg.rfind("--rules=", 0) == 0) {
            rules = arg.substr(8);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            dates.push_back(arg);
        }
    }
    if (dates.size() != 2) return UsageError("FROM and TO are needed, and nothing else");
    const auto from = basComon::ParseIsoDate(dates[0]);
    if (!from) return UsageError(DateError(dates[0]));
    const auto to = basComon::ParseIsoDate(dates[1]);
    if (!to) return UsageError(DateError(dates[1]));
    if (*to < *from) return UsageError("FROM " + dates[0] + " comes after TO " + dates[1]);

    tool::UseFileServices();
    if (rules.empty()) rules = tool::ShippedHolidayFile();
    std::string text, error;
    if (!tool::ReadRuleFile(rules, text, error)) {
        std::fprintf(stderr, "lumora-tool holidays: %s\n", error.c_str());
        return tool::ExitUsage;
    }
    std::vector<basComon::HolidayProblem> problems;
    const std::vector<HolidayEntry> entries = basComon::ParseHolidayFile(text, &problems);
    if (!problems.empty())
        std::fprintf(stderr,
                     "lumora-tool holidays: %zu line(s) of '%s' never match a date; "
                     "'lumora-tool check-rules' lists them\n",
                     problems.size(), rules.c_str());
    basComon::HolidayList.assign(1, HolidayEntry{});
    basComon::HolidayList.insert(basComon::HolidayList.end(), entries.begin(), entries.end());
    basComon::HolidayCount = static_cast<std::int16_t>(entries.size());

    std::string out;
    for (const std::string& line : basComon::HolidayLines(*from, *to))
        out += line + "\n";
    tool::WriteOut(out);
    return tool::ExitOk;
}
