#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "fakes/fakes.h"
#include "fakes/recording_dc.h"
#include "holiday_table.h"

using fakes::DcCall;
using platform::Rect;
using platform::Rgb;

namespace {

const std::vector<HolidayEntry> MayHolidays = {
    {"FIX", 5, 5, "こどもの日"}, {"FIX", 5, 4, "みどりの日"}, {"FIX", 5, 3, "憲法記念日"}};

class DrawCalendarTest : public testing::Test {
  protected:
    // Tuesday 5 May 2026, a holiday; 3 May is a Sunday holiday and 6 May a substitute holiday.
    fakes::FakeClock clock{{2026, 5, 5, 9, 30, 15, 0}};
    fakes::FakeScreen screen{{1024, 768}};
    fakes::RecordingDc dc;
    calendar_test::ScopedHolidayTable table{MayHolidays};

    std::vector<DcCall> Draw() {
        platform::Services services;
        services.clock = &clock;
        services.screen = &screen;
        platform::ScopedServices scope(services);
        EXPECT_TRUE(basComon::DrawCalendar(dc));
        return dc.Only(DcCall::Kind::DrawText);
    }
};

// The nine outline offsets in drawing order: dx outer, dy inner.
const int Offsets[9][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 0},
                           {0, 1},   {1, -1}, {1, 0},  {1, 1}};

void ExpectOutlinedText(const std::vector<DcCall>& texts, std::size_t first,
                        const std::string& text, const Rect& box, platform::Color outline,
                        platform::Color face) {
    ASSERT_GE(texts.size(), first + 10);
    for (int pass = 0; pass < 9; ++pass) {
        const DcCall& call = texts[first + pass];
        SCOPED_TRACE(text + " pass " + std::to_string(pass));
        EXPECT_EQ(call.Text, text);
        EXPECT_EQ(call.Rect, (Rect{box.Left + Offsets[pass][0], box.Top + Offsets[pass][1],
                                   box.Right + Offsets[pass][0], box.Bottom + Offsets[pass][1]}));
        EXPECT_EQ(call.TextColor, outline);
        EXPECT_EQ(call.Format, platform::DT_Center);
    }
    const DcCall& faceCall = texts[first + 9];
    EXPECT_EQ(faceCall.Text, text);
    EXPECT_EQ(faceCall.Rect, box);
    EXPECT_EQ(faceCall.TextColor, face);
    EXPECT_EQ(faceCall.Format, platform::DT_Center);
}

} // namespace

TEST_F(DrawCalendarTest, DayRowCellsAndColours) {
    const std::vector<DcCall> texts = Draw();
    ASSERT_EQ(texts.size(), 31u * 10 + 10);
    const platform::Color grey = Rgb(144, 144, 144), black = Rgb(0, 0, 0);
    struct Expect {
        int day;
        platform::Color face;
        platform::Color outline;
    };
    const std::vector<Expect> days = {
        {1, grey, black},                      // Friday
        {2, Rgb(0, 0, 244), Rgb(0, 0, 64)},    // Saturday
        {3, Rgb(224, 0, 244), Rgb(64, 0, 64)}, // Sunday holiday
        {4, Rgb(224, 0, 244), Rgb(64, 0, 64)}, // Monday holiday
        {5, Rgb(0, 255, 0), black},            // today, a holiday as well
        {6, Rgb(224, 0, 244), Rgb(64, 0, 64)}, // substitute holiday
        {7, grey, black},                      // Thursday
        {10, Rgb(224, 0, 0), Rgb(64, 0, 0)},   // Sunday
        {31, Rgb(224, 0, 0), Rgb(64, 0, 0)},   // Sunday, last cell
    };
    for (const Expect& e : days) {
        const int left = 52 + 30 * (e.day - 1);
        ExpectOutlinedText(texts, (e.day - 1) * 10, std::to_string(e.day),
                           {left, 746, left + 20, 766}, e.outline, e.face);
    }
}

TEST_F(DrawCalendarTest, ClockAboveTheRow) {
    const std::vector<DcCall> texts = Draw();
    ASSERT_EQ(texts.size(), 320u);
    ExpectOutlinedText(texts, 310, "2026.05.05(火) 09:30", {437, 718, 617, 746}, Rgb(0, 0, 0),
                       Rgb(255, 255, 255));
}

TEST_F(DrawCalendarTest, FontsAreMadeFirstAndPutBack) {
    const std::vector<DcCall> texts = Draw();
    const std::vector<DcCall>& calls = dc.calls;
    ASSERT_GE(calls.size(), 4u);

    platform::LogFont day;
    day.Height = 20;
    day.Width = 5;
    day.Weight = 1200;
    day.Italic = 0;
    day.CharSet = 1;
    day.FaceName = "ＭＳ ゴシック";
    platform::LogFont clockFont = day;
    clockFont.Height = 28;
    clockFont.Width = 7;
    clockFont.Italic = 1;
    ASSERT_EQ(calls[0].What, DcCall::Kind::CreateFont);
    EXPECT_EQ(calls[0].Font, day);
    ASSERT_EQ(calls[1].What, DcCall::Kind::CreateFont);
    EXPECT_EQ(calls[1].Font, clockFont);
    ASSERT_EQ(calls[2].What, DcCall::Kind::SetBkMode);
    EXPECT_EQ(calls[2].Mode, platform::BkMode::Transparent);
    const platform::FontHandle dayHandle = calls[0].Handle, clockHandle = calls[1].Handle;

    // Selections: the day font, the caller's back, the clock font, the caller's back.
    const std::vector<DcCall> selects = dc.Only(DcCall::Kind::SelectFont);
    ASSERT_EQ(selects.size(), 4u);
    EXPECT_EQ(selects[0].Handle, dayHandle);
    EXPECT_EQ(selects[0].Result, fakes::RecordingDc::StockFont);
    EXPECT_EQ(selects[1].Handle, fakes::RecordingDc::StockFont);
    EXPECT_EQ(selects[2].Handle, clockHandle);
    EXPECT_EQ(selects[2].Result, fakes::RecordingDc::StockFont);
    EXPECT_EQ(selects[3].Handle, fakes::RecordingDc::StockFont);

    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(texts[i].SelectedFont, i < 310 ? dayHandle : clockHandle) << i;

    const std::vector<DcCall> deletes = dc.Only(DcCall::Kind::DeleteFont);
    ASSERT_EQ(deletes.size(), 2u);
    EXPECT_EQ(deletes[0].Handle, dayHandle);
    EXPECT_EQ(deletes[1].Handle, clockHandle);
    EXPECT_EQ(calls[calls.size() - 3].What, DcCall::Kind::SelectFont);
    EXPECT_EQ(dc.selected, fakes::RecordingDc::StockFont);
    EXPECT_TRUE(dc.liveFonts.empty());
    EXPECT_TRUE(dc.Only(DcCall::Kind::Fill).empty());
    EXPECT_TRUE(dc.Only(DcCall::Kind::CopyFrom).empty());
}

TEST_F(DrawCalendarTest, FontsThatCannotBeMadeAreNotSelected) {
    dc.failFontCreation = true;
    const std::vector<DcCall> texts = Draw();
    EXPECT_EQ(texts.size(), 320u);
    EXPECT_TRUE(dc.Only(DcCall::Kind::SelectFont).empty());
    EXPECT_TRUE(dc.Only(DcCall::Kind::DeleteFont).empty());
    EXPECT_EQ(dc.selected, fakes::RecordingDc::StockFont);
}

// The row and the clock follow the frame's width and the display's density: the classic sizes at
// 96 dpi from 940 pixels up, larger on dense displays, smaller wherever 31 days would not fit.
TEST_F(DrawCalendarTest, RowAndClockFollowTheScreenSizeAndDensity) {
    struct Case {
        platform::Size size;
        double dpi;
        platform::LocalTime now;
        int days;
        int cell, step, margin, firstLeft;
        int clockFont, clockLeft, clockBox;
    };
    const std::vector<Case> cases = {
        {{1024, 768}, 96, {2026, 2, 10, 9, 30, 0, 0}, 28, 20, 30, 2, 97, 28, 437, 180},
        {{1024, 768}, 96, {2028, 2, 10, 9, 30, 0, 0}, 29, 20, 30, 2, 82, 28, 437, 180},
        {{1023, 768}, 96, {2026, 4, 10, 9, 30, 0, 0}, 30, 20, 30, 2, 66, 28, 436, 180},
        {{1025, 768}, 96, {2026, 4, 10, 9, 30, 0, 0}, 30, 20, 30, 2, 67, 28, 438, 180},
        {{1920, 1080}, 96, {2026, 5, 5, 9, 30, 0, 0}, 31, 20, 30, 2, 500, 28, 885, 180},
        {{940, 600}, 96, {2026, 5, 5, 9, 30, 0, 0}, 31, 20, 30, 2, 10, 28, 395, 180},
        // Narrower than the classic row: every day still inside the frame.
        {{800, 600}, 96, {2026, 5, 5, 9, 30, 0, 0}, 31, 16, 24, 1, 32, 23, 336, 152},
        {{640, 480}, 96, {2026, 5, 5, 9, 30, 0, 0}, 31, 13, 19, 1, 28, 18, 270, 121},
        {{200, 150}, 96, {2026, 5, 5, 9, 30, 0, 0}, 31, 3, 4, 0, 38, 5, 86, 34},
        // Dense displays: twice the size at 192 dpi; at 120 dpi rounding up would overflow the
        // 1000-pixel frame, so the scale comes down until the row fits.
        {{3840, 2160}, 192, {2026, 5, 5, 9, 30, 0, 0}, 31, 40, 60, 4, 1000, 56, 1770, 360},
        {{1000, 700}, 120, {2026, 5, 5, 9, 30, 0, 0}, 31, 21, 31, 2, 24, 29, 422, 188},
        {{1024, 768}, 0, {2026, 2, 10, 9, 30, 0, 0}, 28, 20, 30, 2, 97, 28, 437, 180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size.Width) + " wide at " + std::to_string(c.dpi) +
                     " dpi, month " + std::to_string(c.now.Month));
        screen.size = c.size;
        screen.dpi = c.dpi;
        clock.Set(c.now);
        dc.calls.clear();
        const std::vector<DcCall> texts = Draw();
        ASSERT_EQ(texts.size(), static_cast<std::size_t>(c.days) * 10 + 10);
        const int top = c.size.Height - c.cell - c.margin;
        EXPECT_EQ(texts[9].Rect, (Rect{c.firstLeft, top, c.firstLeft + c.cell, top + c.cell}));
        const int last = c.firstLeft + c.step * (c.days - 1);
        EXPECT_EQ(texts[c.days * 10 - 1].Rect, (Rect{last, top, last + c.cell, top + c.cell}));
        EXPECT_GE(c.firstLeft, 0);
        EXPECT_LE(last + c.cell, c.size.Width);
        EXPECT_EQ(texts.back().Rect,
                  (Rect{c.clockLeft, top - c.clockFont, c.clockLeft + c.clockBox, top}));
        const std::vector<DcCall> fonts = dc.Only(DcCall::Kind::CreateFont);
        ASSERT_EQ(fonts.size(), 2u);
        EXPECT_EQ(fonts[0].Font.Height, c.cell);
        EXPECT_EQ(fonts[1].Font.Height, c.clockFont);
    }
}

TEST_F(DrawCalendarTest, OutlineGrowsWithTheScale) {
    screen.size = {3840, 2160};
    screen.dpi = 192;
    const std::vector<DcCall> texts = Draw();
    ASSERT_GE(texts.size(), 10u);
    const Rect face = texts[9].Rect;
    for (int pass = 0; pass < 9; ++pass)
        EXPECT_EQ(texts[pass].Rect,
                  (Rect{face.Left + 2 * Offsets[pass][0], face.Top + 2 * Offsets[pass][1],
                        face.Right + 2 * Offsets[pass][0], face.Bottom + 2 * Offsets[pass][1]}));
    const std::vector<DcCall> fonts = dc.Only(DcCall::Kind::CreateFont);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].Font.Width, 10);
    EXPECT_EQ(fonts[1].Font.Width, 14);
}

TEST(ClockText, FormatAndLength) {
    EXPECT_EQ(basComon::FormatClockText(2008, 6, 13, 14, 5, "金"), "2008.06.13(金) 14:05");
    EXPECT_EQ(basComon::FormatClockText(2026, 1, 2, 0, 0, "Fri"), "2026.01.02(Fri) 00:00");
    // Longer names are cut to the template's 21 characters, never inside a character.
    EXPECT_EQ(basComon::FormatClockText(2008, 6, 13, 14, 5, "Friday"), "2008.06.13(Friday) 14");
    EXPECT_EQ(basComon::FormatClockText(2008, 6, 13, 14, 5, "金曜日です"),
              "2008.06.13(金曜日です) 14:");
    EXPECT_EQ(basComon::FormatClockText(2008, 6, 13, 14, 5, ""), "2008.06.13() 14:05");
}
