#include <cstdint>
#include <string>

#include "calendar.h"
#include "settings/settings.h"

namespace basComon {
namespace {

// Days since 1970-01-01; months outside 1..12 roll into the neighbouring years.
long long DaysFromCivil(long long y, long long m, long long d) {
    const long long m0 = m - 1;
    y += (m0 >= 0 ? m0 : m0 - 11) / 12;
    m = m0 - ((m0 >= 0 ? m0 : m0 - 11) / 12) * 12 + 1;
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date CivilFromDays(long long days) {
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    Date date;
    date.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.Year = static_cast<int>(yoe + era * 400 + (date.Month <= 2));
    return date;
}

// The day an entry's rule gives in the month of `date` (0: none), and whether a Sunday on
// that day moves the holiday to the Monday after. False for a keyword that has no rule.
bool CandidateDay(const HolidayEntry& entry, const Date& date, long long& candidate,
                  bool& substitutes) {
    substitutes = false;
    if (entry.Kind == "FIX") {
        candidate = entry.Day;
        substitutes = true;
    } else if (entry.Kind == "HAPPY") {
        candidate = GetSecondMonday(date.Year, date.Month);
    } else if (entry.Kind == "HAPPY3") {
        candidate = GetThirdMonday(date.Year, date.Month);
    } else if (entry.Kind == "SHUNBUN") {
        candidate = GetShunbunDay(date.Year);
        substitutes = candidate != 0;
    } else if (entry.Kind == "SHUBUN") {
        candidate = GetShubunDay(date.Year);
        substitutes = candidate != 0;
    } else if (entry.Kind == "KOKUMIN5") {
        candidate = 4;
    } else if (entry.Kind == "KOKUMIN9") {
        candidate = GetThirdMonday(date.Year, date.Month) == 21 ? 22 : 0;
    } else {
        return false;
    }
    return true;
}

// The entries 1..HolidayCount that the table really holds.
int EntryCount() {
    const int count = HolidayCount;
    const int held = static_cast<int>(HolidayList.size()) - 1;
    return count < held ? count : held;
}

// True when some entry names `date` itself (substitute days do not count).
bool IsListedHoliday(const Date& date) {
    const int count = EntryCount();
    for (int i = 1; i <= count; ++i) {
        const HolidayEntry& entry = HolidayList[i];
        long long candidate = 0;
        bool substitutes = false;
        if (!CandidateDay(entry, date, candidate, substitutes)) continue;
        if (date.Month == entry.Month && date.Day == candidate) return true;
    }
    return false;
}

// Since 2007 a holiday on a Sunday moves to the next day that is not itself a holiday.
bool IsMovedSundayHoliday(const Date& date) {
    if (date < Date{2007, 1, 1}) return false;
    Date before = AddDays(date, -1);
    // Seven holidays in a row always include a Sunday, so the walk ends within a week.
    for (int step = 0; step < 7 && IsListedHoliday(before); ++step) {
        if (Weekday(before) == 1) return true;
        before = AddDays(before, -1);
    }
    return false;
}

// Since 1986 a weekday between two holidays is a holiday too.
bool IsBetweenHolidays(const Date& date) {
    if (date < Date{1986, 1, 1} || Weekday(date) == 1) return false;
    return IsListedHoliday(AddDays(date, -1)) && IsListedHoliday(AddDays(date, 1));
}

} // namespace

int Weekday(const Date& date) {
    const long long days = DaysFromCivil(date.Year, date.Month, date.Day);
    const long long r = (days + 4) % 7; // 1970-01-01 was a Thursday
    return static_cast<int>(r < 0 ? r + 7 : r) + 1;
}

Date AddDays(const Date& date, int days) {
    return CivilFromDays(DaysFromCivil(date.Year, date.Month, date.Day) + days);
}

std::int32_t GetDaysInMonth(int year, int month) {
    return AddDays(Date{year, month + 1, 1}, -1).Day;
}

std::int32_t GetShunbunDay(int year) {
    if (year < 1900 || year > 2099) return 0;
    const double y = year;
    return static_cast<std::int32_t>(((y * 0.24242) - static_cast<double>(year / 4)) + 35.84);
}

std::int32_t GetShubunDay(int year) {
    if (year < 1900 || year > 2099) return 0;
    const double y = year;
    return static_cast<std::int32_t>(((y * 0.24204) - static_cast<double>(year / 4)) + 39.01);
}

int GetSecondMonday(int year, int month) {
    for (int day = 8; day <= 14; ++day)
        if (Weekday(Date{year, month, day}) == 2) return day;
    return 1;
}

int GetThirdMonday(int year, int month) {
    for (int day = 15; day <= 21; ++day)
        if (Weekday(Date{year, month, day}) == 2) return day;
    return 1;
}

bool IsHoliday(const Date& date, std::string& name) {
    const int count = EntryCount();
    for (int i = 1; i <= count; ++i) {
        const HolidayEntry& entry = HolidayList[i];
        long long candidate = 0;
        bool substitutes = false;
        if (!CandidateDay(entry, date, candidate, substitutes)) continue;
        if (date.Month != entry.Month) continue;
        if (date.Day == candidate) {
            name = entry.Name;
            return true;
        }
        if (substitutes && date.Day == candidate + 1 && Weekday(date) == 2) {
            name = SubstituteHolidayName;
            return true;
        }
    }
    if (IsMovedSundayHoliday(date)) {
        name = SubstituteHolidayName;
        return true;
    }
    if (IsBetweenHolidays(date)) {
        name = CitizensHolidayName;
        return true;
    }
    return false;
}

} // namespace basComon
