#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

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

platform::LogFont ToLogFont(const CalendarFont& font, int height, int width) {
    platform::LogFont lf;
    lf.Height = height;
    lf.Width = width;
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

// One step of a run of text: a change of the text colour, or a text drawn in a box.
struct TextStep {
    bool setsColor = false;
    platform::Color color = 0;
    std::string text;
    platform::Rect box;
    friend bool operator==(const TextStep&, const TextStep&) = default;
};

// Nine passes in the outline colour around the spot, then the glyphs themselves.
template <typename TextOf>
void AddOutlined(std::vector<TextStep>& steps, TextOf textOf, const platform::Rect& box,
                 platform::Color outline, platform::Color face, bool withOutline, int k) {
    steps.push_back({true, outline, {}, {}});
    if (withOutline) {
        for (int dx = -k; dx <= k; dx += k)
            for (int dy = -k; dy <= k; dy += k)
                steps.push_back({false,
                                 0,
                                 textOf(),
                                 {box.Left + dx, box.Top + dy, box.Right + dx, box.Bottom + dy}});
    }
    steps.push_back({true, face, {}, {}});
    steps.push_back({false, 0, textOf(), box});
}

// The pixels a run of steps can change: each text is clipped to its box.
platform::Rect AreaOf(const std::vector<TextStep>& steps) {
    platform::Rect area;
    bool any = false;
    for (const TextStep& step : steps) {
        if (step.setsColor) continue;
        if (!any) {
            area = step.box;
            any = true;
            continue;
        }
        area.Left = std::min(area.Left, step.box.Left);
        area.Top = std::min(area.Top, step.box.Top);
        area.Right = std::max(area.Right, step.box.Right);
        area.Bottom = std::max(area.Bottom, step.box.Bottom);
    }
    return area;
}

// What drawing a run of text gave last time: the pixels of its area before and after. The row of
// days stays the same all day and the clock for a minute, and an empty list or a picture kept
// on screen puts the same pixels behind them, so most frames copy the result instead of
// drawing some 320 antialiased texts again. Drawing is a function of the pixels it covers, the
// steps and the font, so the copy is the very drawing.
struct RunCache {
    bool valid = false;
    platform::LogFont font;
    std::vector<TextStep> steps;
    platform::Rect area;
    std::vector<std::uint32_t> before, after, now;
};

struct CalendarCache {
    std::mutex guard;
    RunCache days, clock;
};

CalendarCache& Cache() {
    static CalendarCache cache;
    return cache;
}

// Draws the steps in the selected font, or puts back the result of the same drawing over the
// same pixels. A font that could not be made leaves the caller's font, which is not known here:
// then the run is always drawn.
void DrawRun(platform::DeviceContext& dc, RunCache& cache, const platform::LogFont& font,
             bool fontMade, std::vector<TextStep> steps) {
    const platform::Rect area = AreaOf(steps);
    // Only a context that gives its pixels (the system's own images) takes part.
    const bool readable = fontMade && dc.ReadPixels(area, cache.now);
    if (readable && cache.valid && cache.font == font && cache.area == area &&
        cache.steps == steps && cache.now == cache.before && dc.WritePixels(area, cache.after)) {
        for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
            if (!step->setsColor) continue;
            dc.SetTextColor(step->color); // the colour the drawing would have left
            break;
        }
        return;
    }
    if (readable) cache.valid = false; // replaced below
    for (const TextStep& step : steps) {
        if (step.setsColor)
            dc.SetTextColor(step.color);
        else
            dc.DrawText(step.text, step.box, platform::DT_Center);
    }
    if (readable && dc.ReadPixels(area, cache.after)) {
        std::swap(cache.before, cache.now);
        cache.font = font;
        cache.steps = std::move(steps);
        cache.area = area;
        cache.valid = true;
    }
}

std::string ClockTextNow(platform::Clock& clock) {
    const platform::LocalTime now = clock.Now();
    const int weekday = Weekday(Date{now.Year, now.Month, now.Day});
    return FormatClockText(now.Year, now.Month, now.Day, now.Hour, now.Minute,
                           clock.AbbreviatedWeekdayName(weekday));
}

// A classic size at scale `s`: halves up when growing, always down when shrinking, so a
// shrunken row never ends up wider than the room it was shrunk for.
int Scaled(int size, double s) {
    const double exact = size * s;
    // The small allowance keeps products such as 20 x 0.7 from landing just below a whole number.
    return static_cast<int>(s >= 1 ? std::floor(exact + 0.5) : std::floor(exact + 1e-9));
}

CalendarLayout LayoutAt(double s) {
    CalendarLayout layout;
    layout.Scale = s;
    // A width of 0 would ask for the face's natural width: never less than one pixel.
    layout.DayFont = std::max(1, Scaled(20, s));
    layout.DayFontWidth = std::max(1, Scaled(5, s));
    layout.ClockFont = std::max(1, Scaled(28, s));
    layout.ClockFontWidth = std::max(1, Scaled(7, s));
    layout.DayGap = Scaled(10, s);
    layout.Margin = Scaled(2, s);
    layout.ClockBox = Scaled(180, s);
    layout.ClockSpan = Scaled(150, s);
    layout.OutlineStep = std::max(1, static_cast<int>(std::floor(s + 0.5)));
    return layout;
}

} // namespace

CalendarLayout MakeCalendarLayout(int frameWidth, double dpi) {
    constexpr int LongestMonth = 31;
    constexpr double Smallest = 0.05; // one-pixel day cells: nothing smaller can be drawn
    if (!(dpi > 0) || !std::isfinite(dpi)) dpi = 96;
    const int room = frameWidth - 20;
    const double start = std::max(0.5, std::min(dpi / 96.0, room / 920.0));
    // Rounding can leave the row a few pixels too wide: then one per cent less at a time,
    // counted from the start so that no error accumulates.
    for (int step = 0;; ++step) {
        const double s = std::max(Smallest, start - 0.01 * step);
        const CalendarLayout layout = LayoutAt(s);
        const int row = layout.DayFont * LongestMonth + layout.DayGap * (LongestMonth - 1);
        if (row <= room || s <= Smallest) return layout;
    }
}

platform::Rect CalendarBand(platform::Size screen, double dpi) {
    if (screen.Width <= 0 || screen.Height <= 0) return {};
    const CalendarLayout layout = MakeCalendarLayout(screen.Width, dpi);
    // The clock's box stands on the day row; the outline passes reach one step beyond either.
    const int top = screen.Height - layout.DayFont - layout.ClockFont - layout.Margin -
                    layout.OutlineStep;
    return {0, std::max(0, top), screen.Width, screen.Height};
}

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
    if (!services.screen) return false;
    return DrawCalendar(hDC, services.screen->PrimarySize(), services.screen->Dpi());
}

bool DrawCalendar(platform::DeviceContext& hDC, platform::Size screen, double dpi) {
    platform::Services& services = platform::Current();
    if (!services.clock) return false;
    platform::Clock& clock = *services.clock;

    CalendarStyle style = MakeStyle(clock.Now());
    const int W = screen.Width;
    const int H = screen.Height;
    const CalendarLayout layout = MakeCalendarLayout(W, dpi);
    const int S0 = layout.DayFont;
    const int S1 = layout.ClockFont;
    style.DayGap = layout.DayGap;

    const platform::LogFont dayRecord =
        ToLogFont(style.CalendarFonts[0], layout.DayFont, layout.DayFontWidth);
    const platform::LogFont clockRecord =
        ToLogFont(style.CalendarFonts[1], layout.ClockFont, layout.ClockFontWidth);
    const platform::FontHandle dayFont = hDC.CreateFontIndirect(dayRecord);
    const platform::FontHandle clockFont = hDC.CreateFontIndirect(clockRecord);

    hDC.SetBkMode(platform::BkMode::Transparent);

    const int N = GetDaysInMonth(style.CalendarYear, style.CalendarMonth);
    const int y = H - S0 - layout.Margin;
    int x = (W - (S0 * N + style.DayGap * (N - 1))) / 2;

    // A font that could not be made is not selected: the text then keeps the caller's font.
    platform::FontHandle callerFont = dayFont ? hDC.SelectFont(dayFont) : 0;
    const bool withOutline = style.OutlineMode == 1 || style.OutlineMode == 2;
    std::vector<TextStep> days;
    days.reserve(static_cast<std::size_t>(N) * 12);
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
        AddOutlined(
            days, [&] { return text; }, {x, y, x + S0, y + S0}, outline, face, withOutline,
            layout.OutlineStep);
        x += S0 + style.DayGap;
    }
    CalendarCache& cache = Cache();
    const std::lock_guard<std::mutex> lock(cache.guard);
    DrawRun(hDC, cache.days, dayRecord, dayFont != 0, std::move(days));

    const int top = H - S0 - S1 - layout.Margin;
    const int left = static_cast<int>(std::nearbyint((W - layout.ClockSpan) / 2.0));
    if (dayFont && callerFont) hDC.SelectFont(callerFont);
    if (clockFont) {
        // The font this replaces is the one put back at the end.
        const platform::FontHandle replaced = hDC.SelectFont(clockFont);
        if (replaced && replaced != dayFont) callerFont = replaced;
    }
    std::vector<TextStep> clockSteps;
    AddOutlined(
        clockSteps, [&] { return ClockTextNow(clock); },
        {left, top, left + layout.ClockBox, top + S1}, platform::Rgb(0, 0, 0),
        platform::Rgb(255, 255, 255), true, layout.OutlineStep);
    DrawRun(hDC, cache.clock, clockRecord, clockFont != 0, std::move(clockSteps));

    if ((dayFont || clockFont) && callerFont) hDC.SelectFont(callerFont);
    if (dayFont) hDC.DeleteFont(dayFont);
    if (clockFont) hDC.DeleteFont(clockFont);
    return true;
}

} // namespace basComon
