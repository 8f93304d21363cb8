#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "holiday_table.h"

using basComon::IsHoliday;
using calendar_test::ScopedHolidayTable;

namespace {

struct DayCase {
    Date date;
    bool holiday;
    const char* name; // expected name when a holiday
};

void ExpectDays(const std::vector<DayCase>& cases) {
    for (const DayCase& c : cases) {
        std::string name = "untouched";
        const bool result = IsHoliday(c.date, name);
        SCOPED_TRACE(basComon::FormatIsoDate(c.date));
        EXPECT_EQ(result, c.holiday);
        EXPECT_EQ(name, c.holiday ? c.name : "untouched");
    }
}

// One entry of each keyword, with names that tell the entries apart.
const std::vector<HolidayEntry> KeywordTable = {
    {"FIX", 5, 3, "憲法記念日"},      {"KOKUMIN5", 5, 99, "五月四日"},
    {"SHUNBUN", 3, 0, "春分の日"},    {"SHUBUN", 9, 0, "秋分の日"},
    {"HAPPY", 1, 0, "成人の日"},      {"HAPPY3", 7, 0, "海の日"},
    {"KOKUMIN9", 9, 0, "九月の休日"},
};

} // namespace

TEST(HolidayRules, EachKeywordFindsItsDay) {
    ScopedHolidayTable table(KeywordTable);
    ExpectDays({
        {{2007, 3, 21}, true, "春分の日"},
        {{2007, 3, 20}, false, ""},
        {{2010, 3, 22}, true, "振替休日"}, // the equinox of 2010 fell on a Sunday
        {{2007, 9, 23}, true, "秋分の日"},
        {{2007, 9, 24}, true, "振替休日"},
        {{2007, 1, 8}, true, "成人の日"},
        {{2007, 1, 15}, false, ""},
        {{2007, 7, 16}, true, "海の日"},
        {{2007, 7, 9}, false, ""},
        {{2009, 9, 22}, true, "九月の休日"},
        {{2015, 9, 22}, true, "九月の休日"},
        {{2008, 9, 22}, false, ""}, // third Monday the 15th: no in-between day
        {{2010, 5, 4}, true, "五月四日"},
        {{2009, 5, 4}, true, "振替休日"}, // 3 May a Sunday, and its entry stands first
        {{2012, 5, 3}, true, "憲法記念日"},
        {{2099, 3, 20}, true, "春分の日"},
        {{2100, 3, 1}, false, ""}, // a Monday, and 2100 has no equinox day
        {{2100, 3, 20}, false, ""},
        {{2100, 3, 21}, false, ""},
        {{2100, 9, 23}, false, ""},
        {{1899, 3, 21}, false, ""},
    });
}

TEST(HolidayRules, ListOrderDecidesTheName) {
    {
        ScopedHolidayTable table({{"KOKUMIN5", 5, 0, "五月四日"}, {"FIX", 5, 3, "憲法記念日"}});
        ExpectDays({{{2009, 5, 4}, true, "五月四日"}});
    }
    {
        ScopedHolidayTable table({{"FIX", 6, 1, "一番目"}, {"FIX", 6, 1, "二番目"}});
        ExpectDays({{{2025, 6, 1}, true, "一番目"}});
    }
    {
        // The first entry's substitute test comes before the second entry's own date.
        ScopedHolidayTable table({{"FIX", 3, 3, "三日"}, {"FIX", 3, 4, "四日"}});
        ExpectDays({{{2013, 3, 4}, true, "振替休日"}, {{2014, 3, 4}, true, "四日"}});
    }
    {
        ScopedHolidayTable table({{"FIX", 3, 4, "四日"}, {"FIX", 3, 3, "三日"}});
        ExpectDays({{{2013, 3, 4}, true, "四日"}});
    }
}

TEST(HolidayRules, OnlyWellFormedKeywordsMatch) {
    ScopedHolidayTable table({
        {"FIX", 5, 10, "十日"},
        {"BOGUS", 6, 10, "架空"}, // must not borrow the day the entry before it found
        {" FIX", 7, 1, "前に空白"},
        {"fix", 7, 2, "小文字"},
        {"KOKUMIN5", 8, 20, "八月"}, // the Day field does not count for this keyword
        {"FIX", 2, 31, "無い日"},
        {"FIX", 13, 1, "十三月"},
    });
    ExpectDays({
        {{2025, 5, 10}, true, "十日"},
        {{2025, 6, 10}, false, ""},
        {{2025, 7, 1}, false, ""},
        {{2025, 7, 2}, false, ""},
        {{2025, 8, 4}, true, "八月"},
        {{2025, 8, 20}, false, ""},
        {{2025, 3, 3}, false, ""},
        {{2025, 3, 1}, false, ""},
    });
}

TEST(HolidayRules, EmptyOrShortCountedTableMarksNothing) {
    {
        ScopedHolidayTable table({});
        ExpectDays({{{2025, 1, 1}, false, ""}, {{2007, 3, 21}, false, ""}});
    }
    {
        // Entries past the count are not part of the table.
        ScopedHolidayTable table({{"FIX", 1, 1, "元日"}});
        basComon::HolidayCount = 0;
        ExpectDays({{{2025, 1, 1}, false, ""}});
        basComon::HolidayCount = 5;
        ExpectDays({{{2025, 1, 1}, true, "元日"}});
    }
}

TEST(HolidayRules, SundayHolidayMovesToTheNextFreeDaySince2007) {
    ScopedHolidayTable table({
        {"FIX", 3, 3, "三日"},
        {"FIX", 3, 4, "四日"},
        {"HAPPY", 1, 0, "成人の日"},
        {"FIX", 1, 7, "七日"},
        {"FIX", 1, 31, "月末"},
        {"FIX", 12, 31, "大晦日"},
        {"FIX", 8, 2, "土曜"},
    });
    ExpectDays({
        {{2013, 3, 5}, true, "振替休日"}, // 3 March a Sunday, 4 March a holiday itself
        {{2002, 3, 5}, false, ""},        // the same week before the law changed
        {{2018, 1, 8}, true, "成人の日"}, // 7 January 2018 a Sunday
        {{2018, 1, 9}, true, "振替休日"},
        {{2021, 2, 1}, true, "振替休日"}, // into the next month
        {{1999, 2, 1}, false, ""},
        {{2024, 1, 1}, true, "振替休日"}, // into the next year
        {{2025, 8, 4}, false, ""},        // 2 August 2025 a Saturday: nothing moves
        {{2025, 8, 3}, false, ""},
    });
}

TEST(HolidayRules, DayBetweenTwoHolidaysSince1986) {
    ScopedHolidayTable table({
        {"FIX", 3, 3, "三日"},
        {"FIX", 3, 5, "五日"},
        {"FIX", 12, 31, "大晦日"},
        {"FIX", 1, 2, "二日"},
    });
    ExpectDays({
        {{1986, 3, 4}, true, "国民の休日"},
        {{1983, 3, 4}, false, ""},
        {{2018, 3, 4}, false, ""}, // a Sunday
        {{2025, 1, 1}, true, "国民の休日"},
        {{2023, 1, 1}, false, ""}, // a Sunday
    });
}

TEST(HolidayRules, EquinoxDays) {
    struct Case {
        int year;
        int shunbun;
        int shubun;
    };
    for (const Case& c : std::vector<Case>{{1900, 21, 23},
                                           {2007, 21, 23},
                                           {2024, 20, 22},
                                           {2025, 20, 23},
                                           {2032, 20, 22},
                                           {2099, 20, 23},
                                           {1899, 0, 0},
                                           {2100, 0, 0}}) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(basComon::GetShunbunDay(c.year), c.shunbun);
        EXPECT_EQ(basComon::GetShubunDay(c.year), c.shubun);
    }
}

TEST(HolidayRules, MonthArithmetic) {
    struct Case {
        int year;
        int month;
        int days;
        int second;
        int third;
    };
    for (const Case& c : std::vector<Case>{{2000, 2, 29, 14, 21},
                                           {1900, 2, 28, 12, 19},
                                           {2100, 2, 28, 8, 15},
                                           {2024, 2, 29, 12, 19},
                                           {2025, 12, 31, 8, 15},
                                           {2026, 9, 30, 14, 21},
                                           {2025, 4, 30, 14, 21}}) {
        SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month));
        EXPECT_EQ(basComon::GetDaysInMonth(c.year, c.month), c.days);
        EXPECT_EQ(basComon::GetSecondMonday(c.year, c.month), c.second);
        EXPECT_EQ(basComon::GetThirdMonday(c.year, c.month), c.third);
    }
}

TEST(HolidayRules, WeekdaysAndDaySteps) {
    EXPECT_EQ(basComon::Weekday({1970, 1, 1}), 5);
    EXPECT_EQ(basComon::Weekday({2000, 1, 1}), 7);
    EXPECT_EQ(basComon::Weekday({2026, 5, 3}), 1);
    EXPECT_EQ(basComon::Weekday({1600, 3, 1}), 4);
    EXPECT_EQ(basComon::AddDays({2024, 2, 28}, 1), (Date{2024, 2, 29}));
    EXPECT_EQ(basComon::AddDays({2100, 2, 28}, 1), (Date{2100, 3, 1}));
    EXPECT_EQ(basComon::AddDays({2024, 1, 1}, -1), (Date{2023, 12, 31}));
    EXPECT_EQ(basComon::AddDays({2022, 1, 1}, 365 * 29 + 7), (Date{2051, 1, 1}));
}
