#include <cmath>
#include <cstdio>
#include <string>

#include "calendar.h"
#include "platform/services.h"

namespace basComon {
namespace {

struct CalendarFont {
    std::string FaceName;
    float Size = 0;
    bool Italic = false;
    bool Bold = false;
};

// The style of the strip; set afresh on every call so nothing carries over between frames.
struct CalendarStyle {
    int CalendarYear = 0;
    int CalendarMonth = 0;
    int DayGap = 10;
    int OutlineMode = 1;
    platform::Color CalendarColors[18] = {};
    CalendarFont CalendarFonts[2];
};

CalendarStyle MakeStyle(const platform::LocalTime& now) {
    using platform::Rgb;
    CalendarStyle style;
    style.CalendarYear = now.Year;
    style.CalendarMonth = now.Month;
    platform::Color* c = style.CalendarColors;
    c[0] = Rgb(224, 0, 0);
    for (int i = 1; i <= 5; ++i)
        c[i] = Rgb(144, 144, 144);
    c[6] = Rgb(0, 0, 244);
    c[7] = Rgb(64, 0, 0);
    for (int i = 8; i <= 12; ++i)
        c[i] = Rgb(0, 0, 0);
    c[13] = Rgb(0, 0, 64);
    c[14] = Rgb(224, 0, 244);
    c[15] = Rgb(64, 0, 64);
    c[16] = Rgb(0, 255, 0);
    c[17] = Rgb(0, 0, 0);
    style.CalendarFonts[0] = {"ＭＳ ゴシック", 20, false, true};
    style.CalendarFonts[1] = {"ＭＳ ゴシック", 28, true, true};
    return style;
}

platform::LogFont ToLogFont(const CalendarFont& font) {
    platform::LogFont lf;
    lf.Height = static_cast<std::int32_t>(std::lrint(font.Size));
    lf.Width = static_cast<std::int32_t>(std::lrint(font.Size / 4));
    lf.Escapement = 0;
    lf.Orientation = 0;
    lf.Weight = font.Bold ? 1200 : 400;
    lf.Italic = font.Italic ? 1 : 0;
    lf.Underline = 0;
    lf.StrikeOut = 0;
    lf.CharSet = 1;
    lf.OutPrecision = 0;
    lf.ClipPrecision = 0;
    lf.Quality = 0;
    lf.PitchAndFamily = 0;
    lf.FaceName = font.FaceName;
    return lf;
}

// Nine passes in the outline colour around the spot, then the glyphs themselves.
template <typename TextOf>
void DrawOutlined(platform::DeviceContext& dc, TextOf textOf, const platform::Rect& box,
                  platform::Color outline, platform::Color face, bool withOutline) {
    dc.SetTextColor(outline);
    if (withOutline) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                dc.DrawText(textOf(),
                            {box.Left + dx, box.Top + dy, box.Right + dx, box.Bottom + dy},
                            platform::DT_Center);
    }
    dc.SetTextColor(face);
    dc.DrawText(textOf(), box, platform::DT_Center);
}

std::string ClockTextNow(platform::Clock& clock) {
    const platform::LocalTime now = clock.Now();
    const int weekday = Weekday(Date{now.Year, now.Month, now.Day});
    return FormatClockText(now.Year, now.Month, now.Day, now.Hour, now.Minute,
                           clock.AbbreviatedWeekdayName(weekday));
}

} // namespace

std::string FormatClockText(int year, int month, int day, int hour, int minute,
                            const std::string& weekdayName) {
    char head[64];
    std::snprintf(head, sizeof head, "%04d.%02d.%02d(", year, month, day);
    char tail[32];
    std::snprintf(tail, sizeof tail, ") %02d:%02d", hour, minute);
    const std::string text = head + weekdayName + tail;
    // At most as many characters as the template "0000.00.00(***) hh:nn" has.
    constexpr int MaxCharacters = 21;
    int characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && ++characters > MaxCharacters) return text.substr(0, i);
    }
    return text;
}

bool DrawCalendar(platform::DeviceContext& hDC) {
    platform::Services& services = platform::Current();
    if (!services.clock || !services.screen) return false;
    platform::Clock& clock = *services.clock;

    const CalendarStyle style = MakeStyle(clock.Now());
    const platform::Size screen = services.screen->PrimarySize();
    const int W = screen.Width;
    const int H = screen.Height;
    const int S0 = static_cast<int>(std::lrint(style.CalendarFonts[0].Size));
    const int S1 = static_cast<int>(std::lrint(style.CalendarFonts[1].Size));

    const platform::FontHandle dayFont = hDC.CreateFontIndirect(ToLogFont(style.CalendarFonts[0]));
    const platform::FontHandle clockFont =
        hDC.CreateFontIndirect(ToLogFont(style.CalendarFonts[1]));

    hDC.SetBkMode(platform::BkMode::Transparent);

    const int N = GetDaysInMonth(style.CalendarYear, style.CalendarMonth);
    const int y = H - S0 - 2;
    int x = (W - (S0 * N + style.DayGap * (N - 1))) / 2;

    // A font that could not be made is not selected: the text then keeps the caller's font.
    platform::FontHandle callerFont = dayFont ? hDC.SelectFont(dayFont) : 0;
    const bool withOutline = style.OutlineMode == 1 || style.OutlineMode == 2;
    for (int d = 1; d <= N; ++d) {
        const Date date{style.CalendarYear, style.CalendarMonth, d};
        const int weekday = Weekday(date);
        platform::Color face = style.CalendarColors[weekday - 1];
        platform::Color outline = style.CalendarColors[weekday + 6];
        const platform::LocalTime now = clock.Now();
        std::string name;
        if (date == Date{now.Year, now.Month, now.Day}) {
            face = style.CalendarColors[16];
            outline = style.CalendarColors[17];
        } else if (IsHoliday(date, name)) {
            face = style.CalendarColors[14];
            outline = style.CalendarColors[15];
        }
        const std::string text = std::to_string(d);
        DrawOutlined(
            hDC, [&] { return text; }, {x, y, x + S0, y + S0}, outline, face, withOutline);
        x += S0 + style.DayGap;
    }

    const int top = H - S0 - S1 - 2;
    const int left = static_cast<int>(std::nearbyint((W - S0 * 15 / 2) / 2.0));
    if (dayFont && callerFont) hDC.SelectFont(callerFont);
    if (clockFont) {
        // The font this replaces is the one put back at the end.
        const platform::FontHandle replaced = hDC.SelectFont(clockFont);
        if (replaced && replaced != dayFont) callerFont = replaced;
    }
    DrawOutlined(
        hDC, [&] { return ClockTextNow(clock); }, {left, top, left + S0 * 9, top + S1},
        platform::Rgb(0, 0, 0), platform::Rgb(255, 255, 255), true);

    if ((dayFont || clockFont) && callerFont) hDC.SelectFont(callerFont);
    if (dayFont) hDC.DeleteFont(dayFont);
    if (clockFont) hDC.DeleteFont(clockFont);
    return true;
}

} // namespace basComon
