// Process, clock and text services against the real system, and the command-line split.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/shared/platform_under_test.h"
#include "platform/win32/codepage.h"
#include "platform/win32/command_line.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/windows_api.h"

TEST(Win32CommandLine, TextAfterTheProgramNameKeepsWhatFollowsTheSeparator) {
    struct Case {
        const char* line;
        const char* tail;
    };
    const Case cases[] = {
        {"\"C:\\Windows\\System32\\LumoraScr.scr\" /p 1234", "/p 1234"},
        {"\"C:\\Program Files\\LumoraScr\\LumoraScr.scr\" /p1234", "/p1234"},
        {"C:\\WINDOWS\\LUMORA~1.SCR /S", "/S"},
        {"LumoraScr.scr\t/c:4711", "/c:4711"},
        {"\"C:\\x.scr\"  /c", " /c"},
        {"\"C:\\x.scr\"/s", "/s"},
        {"\"C:\\x.scr\"", ""},
        {"\"C:\\x.scr\" ", ""},
        {"LumoraScr.scr", ""},
        {"", ""},
        {"\"C:\\never closed /s", ""},
        {"\"C:\\\x8e\xca\x90\x5c\\x.scr\" /p 7", "/p 7"}, // a CP932 folder name ending in 0x5C
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::win32::CommandTail(c.line), c.tail) << c.line;
}

TEST(Win32Process, AppDirectoryIsTheProgramsFolder) {
    platform::Process& p = under_test::Process();
    const std::string dir = p.AppDirectory();
    ASSERT_GE(dir.size(), 3u);
    EXPECT_NE(dir.back(), '\\');
    EXPECT_TRUE(p.FileExists(dir + "\\platform_tests.exe"));
    EXPECT_FALSE(p.FileExists(dir)); // a folder is not a file
    EXPECT_FALSE(p.FileExists(dir + "\\no such file.txt"));
    const std::string config = p.UserConfigDirectory();
    EXPECT_GT(config.size(), 11u);
    EXPECT_EQ(config.substr(config.size() - 11), "\\LumoraScr\\");
    EXPECT_EQ(p.InstalledDataDirectory(), "");
    EXPECT_EQ(p.ResolvePathCase("C:\\Some\\Path.JPG"), "C:\\Some\\Path.JPG");
}

TEST(Win32Process, FoldersAreCreatedAndProbedWithoutLeavingFiles) {
    platform::Process& p = under_test::Process();
    const std::string temp = under_test::TempDirectory();
    ASSERT_FALSE(temp.empty());
    const std::string nested = temp + "\\設定\\a\\b\\";
    EXPECT_TRUE(p.EnsureDirectory(nested));
    EXPECT_TRUE(p.EnsureDirectory(nested)); // already there
    EXPECT_TRUE(p.IsDirectoryWritable(nested));
    EXPECT_TRUE(p.IsDirectoryWritable(temp));
    // The probe file is gone again: the folder holds only the folder made above.
    WIN32_FIND_DATAW found;
    int entries = 0;
    HANDLE search = FindFirstFileW(platform::win32::Utf8ToWide(temp + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        entries += found.cFileName[0] != L'.';
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_EQ(entries, 1);

    EXPECT_FALSE(p.IsDirectoryWritable(temp + "\\missing"));
    EXPECT_FALSE(p.IsDirectoryWritable(""));
    ASSERT_TRUE(under_test::WriteBytes(temp + "\\file", "x"));
    EXPECT_FALSE(p.EnsureDirectory(temp + "\\file"));
    EXPECT_FALSE(p.EnsureDirectory(""));
}

TEST(Win32Process, ListFolderTellsFilesFoldersAndHiddenOnesApart) {
    using Kind = platform::FolderEntry::Type;
    platform::Process& p = under_test::Process();
    const std::string temp = under_test::TempDirectory();
    ASSERT_TRUE(p.EnsureDirectory(temp + "\\写真\\"));
    ASSERT_TRUE(under_test::WriteBytes(temp + "\\a.jpg", "x"));
    ASSERT_TRUE(under_test::WriteBytes(temp + "\\h.jpg", "x"));
    SetFileAttributesW(platform::win32::Utf8ToWide(temp + "\\h.jpg").c_str(),
                       FILE_ATTRIBUTE_HIDDEN);
    auto entries = p.ListFolder(temp + "\\");
    ASSERT_TRUE(entries);
    std::sort(entries->begin(), entries->end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    const std::vector<platform::FolderEntry> expected{
        {"a.jpg", Kind::File, false}, {"h.jpg", Kind::File, true}, {"写真", Kind::Folder, false}};
    EXPECT_EQ(*entries, expected);
    EXPECT_FALSE(p.ListFolder(temp + "\\a.jpg"));
    EXPECT_FALSE(p.ListFolder(temp + "\\missing"));
}

TEST(Win32Process, ReadFileReturnsEveryByteUpToTheLimit) {
    platform::Process& p = under_test::Process();
    const std::string temp = under_test::TempDirectory();
    struct Case {
        std::string name;
        std::string bytes;
        bool readable;
    };
    const Case cases[] = {
        {"empty.dat", "", true},
        {"binary.dat", std::string("a\0b\r\n\x82\xa0", 7), true},
        {"写真.txt", "FIX,1,1,元日", true},
        {"big.dat", std::string(16 * 1024 * 1024 + 1, 'x'), false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(under_test::WriteBytes(temp + "\\" + c.name, c.bytes));
        std::string read = "stale";
        EXPECT_EQ(p.ReadFile(temp + "\\" + c.name, read), c.readable) << c.name;
        EXPECT_EQ(read, c.readable ? c.bytes : "") << c.name;
    }
    std::string read;
    EXPECT_FALSE(p.ReadFile(temp + "\\missing.dat", read));
    EXPECT_FALSE(p.ReadFile(temp, read));
}

TEST(Win32Process, RandomNumbersStayInTheUnitInterval) {
    platform::Process& p = under_test::Process();
    p.SeedRandomFromClock();
    double sum = 0;
    for (int i = 0; i < 20000; ++i) {
        const double r = p.Random();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        sum += r;
    }
    EXPECT_NEAR(sum / 20000, 0.5, 0.03);
}

TEST(Win32Clock, WeekdayNamesComeFromTheLocaleSundayFirst) {
    platform::Clock& clock = platform::win32::ClockService();
    if (GetACP() != 932) GTEST_SKIP() << "needs the Japanese locale";
    const char* names[] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int weekday = 1; weekday <= 7; ++weekday)
        EXPECT_EQ(clock.AbbreviatedWeekdayName(weekday), names[weekday - 1]) << weekday;
    EXPECT_EQ(clock.AbbreviatedWeekdayName(0), "");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(8), "");
}

TEST(Win32Clock, LocalTimeIsAPlausibleReading) {
    const platform::LocalTime t = platform::win32::ClockService().Now();
    EXPECT_GE(t.Year, 2000);
    EXPECT_TRUE(t.Month >= 1 && t.Month <= 12);
    EXPECT_TRUE(t.Day >= 1 && t.Day <= 31);
    EXPECT_TRUE(t.Milliseconds >= 0 && t.Milliseconds <= 999);
}

TEST(Win32Text, ConversionsAtTheSystemsEdge) {
    platform::Text& text = under_test::Text();
    struct Lower {
        std::string in, out;
    };
    for (const Lower& c :
         std::initializer_list<Lower>{{"C:\\PICTURES\\Beach.JPG", "c:\\pictures\\beach.jpg"},
                                      {"ＡＢＣ写真", "ａｂｃ写真"},
                                      {"ÄÖÜ", "äöü"},
                                      {"", ""}})
        EXPECT_EQ(text.ToLower(c.in), c.out) << c.in;
    if (GetACP() == 932) {
        EXPECT_TRUE(text.FitsCodePage("c:\\写真\\海.jpg"));
        EXPECT_FALSE(text.FitsCodePage("c:\\café\\x.jpg"));
        EXPECT_EQ(text.FileTextToUtf8("\x8b\xe0\x97\x6a"), "金曜");
    }
    EXPECT_EQ(text.PathSeparator(), '\\');
}
