#include <gtest/gtest.h>

#include "settings/settings.h"

namespace {

using basComon::HolidayProblem;
using basComon::ParseHolidayFile;

TEST(HolidayFile, LinesAndLineEnds) {
    const std::vector<HolidayEntry> three = {
        {"FIX", 1, 1, "元日"}, {"HAPPY", 1, 0, "成人の日"}, {"SHUNBUN", 3, 0, "春分の日"}};
    const struct {
        const char* name;
        std::string text;
        std::size_t count;
    } cases[] = {
        {"empty file", "", 0},
        {"CR LF after the last line",
         "FIX,1,1,元日\r\nHAPPY,1,0,成人の日\r\nSHUNBUN,3,0,春分の日\r\n", 3},
        {"no end on the last line", "FIX,1,1,元日\r\nHAPPY,1,0,成人の日\r\nSHUNBUN,3,0,春分の日",
         3},
        {"LF only", "FIX,1,1,元日\nHAPPY,1,0,成人の日\nSHUNBUN,3,0,春分の日\n", 3},
        {"CR only", "FIX,1,1,元日\rHAPPY,1,0,成人の日\rSHUNBUN,3,0,春分の日\r", 3},
        {"mixed ends", "FIX,1,1,元日\rHAPPY,1,0,成人の日\r\nSHUNBUN,3,0,春分の日\n", 3},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "FIX,1,1,元日\r\nHAPPY,1,0,成人の日\r\nSHUNBUN,3,0,春分の日",
         3},
    };
    for (const auto& c : cases) {
        std::vector<HolidayProblem> problems;
        const auto entries = ParseHolidayFile(c.text, &problems);
        EXPECT_EQ(entries, std::vector<HolidayEntry>(three.begin(), three.begin() + c.count))
            << c.name;
        EXPECT_TRUE(problems.empty()) << c.name;
    }
}

TEST(HolidayFile, FieldsOfOneLine) {
    const struct {
        const char* line;
        HolidayEntry entry;
    } cases[] = {
        {"FIX,5,3,憲法記念日", {"FIX", 5, 3, "憲法記念日"}},
        {"FIX, 11 , 3 ,文化の日", {"FIX", 11, 3, "文化の日"}},
        {"FIX,\t2\t,11, 建国記念の日 ", {"FIX", 2, 11, " 建国記念の日 "}},
        {"HAPPY3,9,0,敬老の日,extra,more", {"HAPPY3", 9, 0, "敬老の日"}},
        {"KOKUMIN5,5,0,", {"KOKUMIN5", 5, 0, ""}},
        {"FIX,12,31,大晦日", {"FIX", 12, 31, "大晦日"}},
        {"FIX,01,007,x", {"FIX", 1, 7, "x"}},
        // Only a fixed date reads its day: the other rules keep whatever whole number stands.
        {"KOKUMIN5,5,99,みどりの日", {"KOKUMIN5", 5, 99, "みどりの日"}},
        {"HAPPY,1, -3 ,成人の日", {"HAPPY", 1, -3, "成人の日"}},
        {"HAPPY3,7,+7,海の日", {"HAPPY3", 7, 7, "海の日"}},
        {"SHUNBUN,3,2147483647,x", {"SHUNBUN", 3, 2147483647, "x"}},
        {"SHUBUN,9,-2147483648,x", {"SHUBUN", 9, -2147483647 - 1, "x"}},
    };
    for (const auto& c : cases) {
        std::vector<HolidayProblem> problems;
        EXPECT_EQ(ParseHolidayFile(c.line, &problems), std::vector<HolidayEntry>{c.entry})
            << c.line;
        EXPECT_TRUE(problems.empty()) << c.line;
    }
}

TEST(HolidayFile, BadLinesAreSkippedOrKeptAndReported) {
    const struct {
        const char* line;
        bool kept;
        const char* reason;
    } cases[] = {
        {"", false, "empty line"},
        {"   ", false, "empty line"},
        {"FIX,5,3", false, "too few fields"},
        {"FIX", false, "too few fields"},
        {"FIX,,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,0,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,13,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,-1,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,+5,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,5.0,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,May,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,1 2,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,99999999999999999999,3,x", false, "month is not a whole number from 1 to 12"},
        {"FIX,5,,x", false, "day is not a whole number from 1 to 31"},
        {"FIX,5,32,x", false, "day is not a whole number from 1 to 31"},
        // Day 0 would make a Monday 1 May a substitute holiday for a day that does not exist.
        {"FIX,5,0,x", false, "day is not a whole number from 1 to 31"},
        {"FIX,5,-1,x", false, "day is not a whole number from 1 to 31"},
        {"HAPPY,1,two,x", false, "day is not a whole number"},
        {"HAPPY,1,,x", false, "day is not a whole number"},
        {"HAPPY,1,2147483648,x", false, "day is not a whole number"},
        {"HAPPY,1,-2147483649,x", false, "day is not a whole number"},
        {"HAPPY,1,--1,x", false, "day is not a whole number"},
        {"FIXED,5,3,x", true, "unknown keyword"},
        {"fix,5,3,x", true, "unknown keyword"},
        {",5,3,x", true, "unknown keyword"},
        {" FIX,5,3,x", true, "blank before the keyword"},
    };
    for (const auto& c : cases) {
        const std::string text = std::string("FIX,1,1,元日\r\n") + c.line + "\r\nFIX,12,23,x\r\n";
        std::vector<HolidayProblem> problems;
        const auto entries = ParseHolidayFile(text, &problems);
        EXPECT_EQ(entries.size(), c.kept ? 3u : 2u) << c.line;
        EXPECT_EQ(problems, (std::vector<HolidayProblem>{{2, c.reason}})) << c.line;
        EXPECT_EQ(entries.back(), (HolidayEntry{"FIX", 12, 23, "x"})) << c.line;
    }
}

TEST(HolidayFile, SameDateTwiceKeepsFileOrder) {
    const auto entries = ParseHolidayFile("FIX,5,3,first\r\nFIX,5,3,second\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, "first");
    EXPECT_EQ(entries[1].Name, "second");
}

TEST(HolidayFile, AtMost32767Rules) {
    std::string text;
    for (int i = 0; i < 32769; ++i)
        text += "FIX,1,1,x\r\n";
    std::vector<HolidayProblem> problems;
    EXPECT_EQ(ParseHolidayFile(text, &problems).size(), 32767u);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].Line, 32768);
}

} // namespace
