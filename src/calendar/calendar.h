#pragma once
#include <cstdint>
#include <string>

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

// Draws the day row of the current month and the date and time above it onto `hDC`, sized for
// the screen the platform reports.
bool DrawCalendar(platform::DeviceContext& hDC);

} // namespace basComon
