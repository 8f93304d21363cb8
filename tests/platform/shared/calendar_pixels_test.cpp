#include <gtest/gtest.h>

#include <memory>
#include <string>

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
