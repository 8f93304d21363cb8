#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "platform/screen.h"

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

// The sizes of the day row and the clock for a frame `frameWidth` pixels wide on a display of
// `dpi` dots per inch. At 96 dpi on a frame at least 940 pixels wide they are the classic sizes
// (20- and 28-pixel fonts, 30-pixel steps); they grow with the display's density and shrink so
// that a row of 31 days fits the frame with 10 pixels to spare on each side.
struct CalendarLayout {
    double Scale = 1;
    int DayFont = 20;     // height of the day numbers' font and of their cells
    int DayFontWidth = 5; // width of a half-width glyph of that font
    int ClockFont = 28;
    int ClockFontWidth = 7;
    int DayGap = 10;
    int Margin = 2;       // between the row and the bottom edge
    int ClockBox = 180;   // width of the clock's box
    int ClockSpan = 150;  // width the box's left edge is centred on
    int OutlineStep = 1;  // offset of the outline passes
};
CalendarLayout MakeCalendarLayout(int frameWidth, double dpi);
// The rows of a frame of `screen` that the day row and the clock drawn for `dpi` can touch, the
// whole width of the frame (empty for an empty frame).
platform::Rect CalendarBand(platform::Size screen, double dpi);

// Draws the day row of the current month and the date and time above it onto `hDC`, sized for
// the screen the platform reports and the density of its display.
bool DrawCalendar(platform::DeviceContext& hDC);
// The same for a frame of `screen` on a display of `dpi` dots per inch (another monitor's).
bool DrawCalendar(platform::DeviceContext& hDC, platform::Size screen, double dpi);

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
