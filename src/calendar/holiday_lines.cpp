#include <cstdio>
#include <string>
#include <vector>

#include "calendar.h"

namespace basComon {

bool IsValidDate(const Date& date) {
    return date.Year >= 1 && date.Year <= 9999 && date.Month >= 1 && date.Month <= 12 &&
           date.Day >= 1 && date.Day <= GetDaysInMonth(date.Year, date.Month);
}

std::optional<Date> ParseIsoDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    auto number = [&](std::size_t from, std::size_t length, int& value) {
        value = 0;
        for (std::size_t i = from; i < from + length; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    Date date;
    if (!number(0, 4, date.Year) || !number(5, 2, date.Month) || !number(8, 2, date.Day))
        return std::nullopt;
    if (!IsValidDate(date)) return std::nullopt;
    return date;
}

std::string FormatIsoDate(const Date& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::vector<std::string> HolidayLines(const Date& from, const Date& to) {
    std::vector<std::string> lines;
    if (!IsValidDate(from) || !IsValidDate(to)) return lines;
    for (Date date = from; date <= to; date = AddDays(date, 1)) {
        std::string name;
        if (IsHoliday(date, name)) lines.push_back(FormatIsoDate(date) + "," + name);
    }
    return lines;
}

} // namespace basComon
