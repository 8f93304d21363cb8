#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "holiday_table.h"

namespace {

std::string ReadSourceFile(const std::string& relative) {
    std::ifstream in(std::string(LUMORA_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

class ShippedHolidays : public testing::Test {
  protected:
    ShippedHolidays()
        : table_(basComon::ParseHolidayFile(ReadSourceFile("data/Calender.dat"), &rejected_)) {}
    std::vector<basComon::HolidayProblem> rejected_;
    calendar_test::ScopedHolidayTable table_;
};

} // namespace

TEST_F(ShippedHolidays, FileIsCleanAndComplete) {
    EXPECT_TRUE(rejected_.empty());
    EXPECT_EQ(basComon::HolidayCount, 17);
    const std::string bytes = ReadSourceFile("data/Calender.dat");
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1) << "lines end in CR LF";
}

// The expected list was written from the holiday law independently of this program and checked
// by hand against the published lists of 2024 to 2026.
TEST_F(ShippedHolidays, Years2022To2050MatchTheLaw) {
    const std::vector<std::string> expected =
        Lines(ReadSourceFile("tests/calendar/holidays_2022_2050.csv"));
    ASSERT_EQ(expected.size(), 517u);
    const std::vector<std::string> actual = basComon::HolidayLines({2022, 1, 1}, {2050, 12, 31});
    for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(actual.size(), expected.size());
}

TEST_F(ShippedHolidays, WholeYears) {
    EXPECT_EQ(basComon::HolidayLines({2026, 1, 1}, {2026, 12, 31}),
              (std::vector<std::string>{
                  "2026-01-01,元日", "2026-01-12,成人の日", "2026-02-11,建国記念の日",
                  "2026-02-23,天皇誕生日", "2026-03-20,春分の日", "2026-04-29,昭和の日",
                  "2026-05-03,憲法記念日", "2026-05-04,みどりの日", "2026-05-05,こどもの日",
                  "2026-05-06,振替休日", "2026-07-20,海の日", "2026-08-11,山の日",
                  "2026-09-21,敬老の日", "2026-09-22,国民の休日", "2026-09-23,秋分の日",
                  "2026-10-12,スポーツの日", "2026-11-03,文化の日", "2026-11-23,勤労感謝の日"}));
    EXPECT_EQ(basComon::HolidayLines({2024, 1, 1}, {2024, 12, 31}),
              (std::vector<std::string>{
                  "2024-01-01,元日",       "2024-01-08,成人の日",   "2024-02-11,建国記念の日",
                  "2024-02-12,振替休日",   "2024-02-23,天皇誕生日", "2024-03-20,春分の日",
                  "2024-04-29,昭和の日",   "2024-05-03,憲法記念日", "2024-05-04,みどりの日",
                  "2024-05-05,こどもの日", "2024-05-06,振替休日",   "2024-07-15,海の日",
                  "2024-08-11,山の日",     "2024-08-12,振替休日",   "2024-09-16,敬老の日",
                  "2024-09-22,秋分の日",   "2024-09-23,振替休日",   "2024-10-14,スポーツの日",
                  "2024-11-03,文化の日",   "2024-11-04,振替休日",   "2024-11-23,勤労感謝の日"}));
}

TEST_F(ShippedHolidays, DaysTheOldSubstituteRuleMissed) {
    for (const Date& date :
         std::vector<Date>{{2009, 5, 6}, {2015, 5, 6}, {2020, 5, 6}, {2025, 5, 6}, {2026, 5, 6}}) {
        std::string name;
        EXPECT_TRUE(basComon::IsHoliday(date, name)) << basComon::FormatIsoDate(date);
        EXPECT_EQ(name, "振替休日");
    }
    for (const Date& date : std::vector<Date>{{2032, 9, 21}, {2049, 9, 21}, {2009, 9, 22}}) {
        std::string name;
        EXPECT_TRUE(basComon::IsHoliday(date, name)) << basComon::FormatIsoDate(date);
        EXPECT_EQ(name, "国民の休日");
    }
    std::string name;
    EXPECT_FALSE(basComon::IsHoliday({2022, 1, 3}, name)); // New Year's Day on a Saturday
    EXPECT_TRUE(basComon::IsHoliday({2026, 5, 4}, name));
    EXPECT_EQ(name, "みどりの日"); // not a substitute, though 3 May 2026 is a Sunday
}

TEST(HolidayLines, DatesAndRanges) {
    calendar_test::ScopedHolidayTable table({{"FIX", 12, 31, "大晦日"}, {"FIX", 1, 1, "元日"}});
    EXPECT_EQ(basComon::HolidayLines({2025, 12, 30}, {2026, 1, 2}),
              (std::vector<std::string>{"2025-12-31,大晦日", "2026-01-01,元日"}));
    EXPECT_TRUE(basComon::HolidayLines({2026, 1, 2}, {2025, 12, 30}).empty());
    EXPECT_EQ(basComon::HolidayLines({2025, 1, 1}, {2025, 1, 1}),
              (std::vector<std::string>{"2025-01-01,元日"}));
    EXPECT_EQ(basComon::HolidayLines({9999, 12, 31}, {9999, 12, 31}),
              (std::vector<std::string>{"9999-12-31,大晦日"}));

    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case& c : std::vector<Case>{{"2024-02-29", true},
                                           {"2023-02-29", false},
                                           {"2025-02-30", false},
                                           {"2025-13-01", false},
                                           {"2025-00-10", false},
                                           {"0000-01-01", false},
                                           {"2025-1-01", false},
                                           {"2025/01/01", false},
                                           {"2025-01-01x", false},
                                           {"+025-01-01", false},
                                           {"", false}}) {
        EXPECT_EQ(basComon::ParseIsoDate(c.text).has_value(), c.valid) << c.text;
    }
    EXPECT_EQ(basComon::ParseIsoDate("2024-02-29"), (Date{2024, 2, 29}));
}
