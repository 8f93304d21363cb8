#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "settings/settings.h"

namespace {

class LocationTest : public testing::Test {
  protected:
    void TearDown() override {
        basComon::IniPath.clear();
        basComon::ImageList.assign(1, ImageEntry{});
        basComon::HolidayList.assign(1, HolidayEntry{});
        basComon::HolidayCount = 0;
    }
    // Remembers which folders the program asked to have created.
    struct Process : fakes::FakeProcess {
        bool EnsureDirectory(const std::string& directory) override {
            ensured.push_back(directory);
            return true;
        }
        std::vector<std::string> ensured;
    };
    Process process;
    fakes::FakeText text;
    fakes::MemorySettingsFile settings;
    platform::ScopedServices services{
        {.process = &process, .settingsFile = &settings, .text = &text}};
};

TEST_F(LocationTest, SettingsFileBesideProgramOrInUserFolder) {
    const std::string app = "C:\\Program Files\\LumoraScr";
    const std::string beside = app + "\\LumoraScr.ini";
    const std::string user = "C:\\Users\\me\\AppData\\Roaming\\LumoraScr\\LumoraScr.ini";
    const struct {
        bool exists, writable;
        std::string expected;
    } cases[] = {
        {true, true, beside},
        {true, false, beside},
        {false, true, beside},
        {false, false, user},
    };
    for (const auto& c : cases) {
        process.files.clear();
        process.writableDirectories.clear();
        if (c.exists) process.files[beside] = "";
        if (c.writable) process.writableDirectories.insert(app);
        EXPECT_EQ(basComon::FindIniPath(), c.expected) << c.exists << c.writable;
    }
}

TEST_F(LocationTest, SavingIntoTheUserFolderCreatesIt) {
    process.appDirectory = "/usr/lib/lumorascr";
    process.userConfigDirectory = "/home/me/.config/lumorascr/";
    text.separator = '/';
    basComon::LoadSettings();
    EXPECT_EQ(basComon::IniPath, "/home/me/.config/lumorascr/LumoraScr.ini");
    ASSERT_TRUE(basComon::SaveImageList());
    EXPECT_EQ(process.ensured, std::vector<std::string>{"/home/me/.config/lumorascr/"});
    EXPECT_TRUE(settings.Has(basComon::IniPath, "image", "count"));
}

TEST_F(LocationTest, HolidayFileBesideProgramThenInstalledCopy) {
    process.appDirectory = "/opt/lumora";
    text.separator = '/';
    EXPECT_EQ(basComon::FindHolidayPath(), "/opt/lumora/Calender.dat");
    process.installedDataDirectory = "/usr/share/lumorascr";
    EXPECT_EQ(basComon::FindHolidayPath(), "/opt/lumora/Calender.dat");
    process.files["/usr/share/lumorascr/Calender.dat"] = "";
    EXPECT_EQ(basComon::FindHolidayPath(), "/usr/share/lumorascr/Calender.dat");
    process.files["/opt/lumora/Calender.dat"] = "";
    EXPECT_EQ(basComon::FindHolidayPath(), "/opt/lumora/Calender.dat");
}

TEST_F(LocationTest, LoadSettingsReadsBothFiles) {
    process.appDirectory = "C:\\";
    process.writableDirectories.insert("C:\\");
    process.files["C:\\Calender.dat"] = "FIX,1,1,元日\r\nHAPPY,1,0,成人の日";
    settings.values[{"C:\\LumoraScr.ini", "image", "count"}] = "1";
    settings.values[{"C:\\LumoraScr.ini", "image", "1"}] = "True\ta\tc:\\\ta\tc:\\";
    basComon::LoadSettings();
    EXPECT_EQ(basComon::IniPath, "C:\\LumoraScr.ini");
    EXPECT_EQ(basComon::ImageCount(), 1);
    ASSERT_EQ(basComon::HolidayCount, 2);
    ASSERT_EQ(basComon::HolidayList.size(), 3u);
    EXPECT_EQ(basComon::HolidayList[2], (HolidayEntry{"HAPPY", 1, 0, "成人の日"}));
}

TEST_F(LocationTest, HolidayBytesAreDecodedBeforeParsing) {
    struct DecodingText : fakes::FakeText {
        std::string FileTextToUtf8(const std::string& bytes) override {
            return bytes == "raw" ? "FIX,5,3,憲法記念日" : "";
        }
    } decoding;
    platform::ScopedServices withText({.text = &decoding});
    process.files[process.appDirectory + "\\Calender.dat"] = "raw";
    basComon::LoadHolidays();
    ASSERT_EQ(basComon::HolidayCount, 1);
    EXPECT_EQ(basComon::HolidayList[1].Name, "憲法記念日");
}

TEST_F(LocationTest, MissingHolidayFileEmptiesTheTable) {
    basComon::HolidayList.assign(3, HolidayEntry{"FIX", 1, 1, "x"});
    basComon::HolidayCount = 2;
    basComon::LoadHolidays();
    EXPECT_EQ(basComon::HolidayCount, 0);
    EXPECT_EQ(basComon::HolidayList.size(), 1u);
}

TEST(PathText, AddBackslashUsesThePlatformSeparator) {
    fakes::FakeText backslash('\\'), slash('/');
    const struct {
        fakes::FakeText* text;
        const char* path;
        const char* expected;
    } cases[] = {
        {&backslash, "C:\\pics", "C:\\pics\\"},
        {&backslash, "C:\\", "C:\\"},
        {&backslash, "", "\\"},
        {&backslash, "a/", "a/\\"},
        {&slash, "/home/me", "/home/me/"},
        {&slash, "/", "/"},
        {&slash, "", "/"},
        {&slash, "a\\", "a\\/"},
    };
    for (const auto& c : cases) {
        platform::ScopedServices services({.text = c.text});
        EXPECT_EQ(basComon::AddBackslash(c.path), c.expected) << c.path;
    }
}

TEST(PathText, TrimNullCutsAtTheFirstNul) {
    using namespace std::string_literals;
    EXPECT_EQ(basComon::TrimNull("plain"), "plain");
    EXPECT_EQ(basComon::TrimNull("\0rest"s), "");
    EXPECT_EQ(basComon::TrimNull("ab\0cd\0"s), "ab");
    EXPECT_EQ(basComon::TrimNull(""), "");
}

} // namespace
