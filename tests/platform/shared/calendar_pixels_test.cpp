#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "calendar/holiday_table.h"
#include "fakes/fakes.h"
#include "platform/shared/platform_under_test.h"

namespace {

struct PixelCount {
    int inside = 0;
    int outside = 0;
};

// Pixels of exactly `color`, inside `box` and elsewhere on the surface.
PixelCount CountColor(const platform::Surface& surface, platform::Color color,
                      const platform::Rect& box) {
    PixelCount count;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            if (surface.PixelAt(x, y) != color) continue;
            const bool in = x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom;
            ++(in ? count.inside : count.outside);
        }
    }
    return count;
}

// Hands every drawing call to the system's context but cannot give its pixels, so nothing drawn
// through it is kept or served from an earlier frame.
class DrawnAfresh : public platform::DeviceContext {
  public:
    explicit DrawnAfresh(platform::DeviceContext& dc) : dc_(dc) {}
    platform::FontHandle CreateFontIndirect(const platform::LogFont& f) override {
        return dc_.CreateFontIndirect(f);
    }
    platform::FontHandle SelectFont(platform::FontHandle f) override { return dc_.SelectFont(f); }
    bool DeleteFont(platform::FontHandle f) override { return dc_.DeleteFont(f); }
    void SetBkMode(platform::BkMode mode) override { dc_.SetBkMode(mode); }
    void SetTextColor(platform::Color color) override { dc_.SetTextColor(color); }
    void DrawText(const std::string& text, const platform::Rect& rect, unsigned format) override {
        dc_.DrawText(text, rect, format);
    }
    void CopyFrom(int x, int y, int w, int h, platform::DeviceContext& source, int sx,
                  int sy) override {
        dc_.CopyFrom(x, y, w, h, source, sx, sy);
    }
    void Fill(const platform::Rect& rect, platform::Color color) override { dc_.Fill(rect, color); }

  private:
    platform::DeviceContext& dc_;
};

} // namespace

// A real frame on the system's own drawing: today's number in green within its cell, the clock
// in white within its box, over a black picture.
TEST(CalendarPixels, TodayAndClockLandInTheirBoxes) {
    fakes::FakeClock clock({2026, 5, 5, 9, 30, 0, 0}); // a holiday, drawn as today
    fakes::FakeScreen screen({1024, 768});
    platform::Services services;
    services.clock = &clock;
    services.screen = &screen;
    platform::ScopedServices scope(services);
    calendar_test::ScopedHolidayTable table({{"FIX", 5, 5, "こどもの日"}});

    std::unique_ptr<platform::Surface> surface = under_test::Drawing().CreateSurface(1024, 768);
    ASSERT_TRUE(surface);
    surface->Dc().Fill({0, 0, 1024, 768}, platform::Rgb(0, 0, 0));
    ASSERT_TRUE(basComon::DrawCalendar(surface->Dc()));

    // Day 5 is the fifth cell of a row that starts at x = 52, 30 pixels apart.
    const platform::Rect todayCell{172, 746, 192, 766};
    const PixelCount green = CountColor(*surface, platform::Rgb(0, 255, 0), todayCell);
    EXPECT_GT(green.inside, 0);
    EXPECT_EQ(green.outside, 0);

    const platform::Rect clockBox{437, 718, 617, 746};
    const PixelCount white = CountColor(*surface, platform::Rgb(255, 255, 255), clockBox);
    EXPECT_GT(white.inside, 40);
    EXPECT_EQ(white.outside, 0);

    // The holiday colour does not reach today's cell, and the other cells do have their colours.
    const PixelCount grey = CountColor(*surface, platform::Rgb(144, 144, 144), todayCell);
    EXPECT_EQ(grey.inside, 0);
    EXPECT_GT(grey.outside, 20);
}

// Frames drawn one after another give, pixel for pixel, what drawing each afresh gives: the
// result kept from the frame before serves only the same texts over the same pixels.
TEST(CalendarPixels, FramesInARowEqualFramesDrawnAfresh) {
    constexpr int W = 800, H = 600;
    fakes::FakeClock clock({2026, 5, 5, 9, 30, 0, 0});
    fakes::FakeScreen screen({W, H});
    platform::Services services;
    services.clock = &clock;
    services.screen = &screen;
    platform::ScopedServices scope(services);
    calendar_test::ScopedHolidayTable table({{"FIX", 5, 3, "憲法記念日"}});
    struct Spot {
        int x, y;
        platform::Color color;
    };
    struct Case {
        const char* name;
        int minute;
        platform::Color background;
        std::vector<Spot> spots;
    };
    using platform::Rgb;
    const std::vector<Case> cases = {
        {"black", 30, Rgb(0, 0, 0), {}},
        {"black again", 30, Rgb(0, 0, 0), {}},
        {"one pixel between two days", 30, Rgb(0, 0, 0), {{52, 591, Rgb(200, 0, 0)}}},
        {"one pixel at the clock's corner", 30, Rgb(0, 0, 0), {{335, 559, Rgb(0, 200, 0)}}},
        {"the next minute", 31, Rgb(0, 0, 0), {}},
        {"grey", 31, Rgb(90, 120, 150), {}},
        {"grey again", 31, Rgb(90, 120, 150), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.Set({2026, 5, 5, 9, c.minute, 0, 0});
        auto draw = [&](bool afresh) {
            std::unique_ptr<platform::Surface> s = under_test::Drawing().CreateSurface(W, H);
            s->Dc().Fill({0, 0, W, H}, c.background);
            for (const Spot& spot : c.spots)
                s->Dc().Fill({spot.x, spot.y, spot.x + 1, spot.y + 1}, spot.color);
            DrawnAfresh forwarding(s->Dc());
            EXPECT_TRUE(basComon::DrawCalendar(afresh ? forwarding : s->Dc()));
            return s;
        };
        const auto afresh = draw(true);
        const auto inRow = draw(false);
        int differing = 0;
        for (int y = H - 60; y < H; ++y)
            for (int x = 0; x < W; ++x)
                differing += afresh->PixelAt(x, y) != inRow->PixelAt(x, y);
        EXPECT_EQ(differing, 0);
    }
}
