#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawing.h"

// A calendar date (proleptic Gregorian).
struct Date {
    int Year = 2000;
    int Month = 1;
    int Day = 1;
    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;
};

namespace basComon {

// 1 = Sunday .. 7 = Saturday.
int Weekday(const Date& date);
Date AddDays(const Date& date, int days);

std::int32_t GetDaysInMonth(int year, int month);
std::int32_t GetShunbunDay(int year);
std::int32_t GetShubunDay(int year);
int GetSecondMonday(int year, int month);
int GetThirdMonday(int year, int month);
// True when the holiday table makes `date` a holiday; `name` then receives its name and is
// left as it was otherwise.
bool IsHoliday(const Date& date, std::string& name);

// Names the holiday law gives to days that no rule line names.
inline const char* const SubstituteHolidayName = "振替休日";
inline const char* const CitizensHolidayName = "国民の休日";

// Draws the day row of the current month and the date and time above it onto `hDC`, sized for
// the screen the platform reports.
bool DrawCalendar(platform::DeviceContext& hDC);

// The clock line "yyyy.mm.dd(ddd) hh:nn" for `weekdayName`, cut to 21 characters.
std::string FormatClockText(int year, int month, int day, int hour, int minute,
                            const std::string& weekdayName);

// True for a real date of the years 1 to 9999.
bool IsValidDate(const Date& date);
// "YYYY-MM-DD" to a date; nothing for any other text or a date the calendar does not have.
std::optional<Date> ParseIsoDate(const std::string& text);
std::string FormatIsoDate(const Date& date);
// "YYYY-MM-DD,name" for every holiday from `from` to `to` inclusive, in date order.
std::vector<std::string> HolidayLines(const Date& from, const Date& to);

} // namespace basComon
