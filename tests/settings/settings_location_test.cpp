#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "settings/settings.h"

namespace {

class LocationTest : public testing::Test {
  protected:
    void TearDown() override {
        basComon::IniPath.clear();
        basComon::IniSavePath.clear();
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

TEST_F(LocationTest, WhereTheListIsReadAndWritten) {
    const std::string app = "C:\\Program Files\\LumoraScr", cafe = "C:\\café";
    const std::string userFolder = process.userConfigDirectory;
    const std::string beside = app + "\\LumoraScr.ini", user = userFolder + "LumoraScr.ini";
    const std::string system = "C:\\xdg\\lumorascr\\LumoraScr.ini";
    enum { User = 1, Beside = 2, ReadOnly = 4, Folder = 8, Installed = 16, System = 32 };
    const struct {
        int given;
        std::string appFolder, userFolder;
        basComon::IniLocation expected;
    } cases[] = {
        {User | Beside | Folder, app, userFolder, {user, user}},
        {Beside, app, userFolder, {beside, beside}},
        {Beside | ReadOnly | Folder, app, userFolder, {beside, user}},
        {System, app, userFolder, {system, user}},
        {Folder, app, userFolder, {beside, beside}},
        {0, app, userFolder, {user, user}},
        // Nothing beside a program in an installed tree is read or written, not even by root.
        {Installed | Beside | Folder, app, userFolder, {user, user}},
        {Installed | Beside | System | Folder, app, userFolder, {system, user}},
        // A folder the code page cannot carry is not turned into another folder's name.
        {Beside | Folder, cafe, userFolder, {user, user}},
        {Beside | Folder, cafe, cafe + "\\", {"", ""}},
    };
    process.systemConfigDirectories = {"C:\\nothing\\", "C:\\xdg\\lumorascr\\"};
    for (const auto& c : cases) {
        process.appDirectory = c.appFolder;
        process.userConfigDirectory = c.userFolder;
        process.installedTree = c.given & Installed;
        process.files.clear();
        process.readOnlyFiles.clear();
        process.writableDirectories.clear();
        const std::string besideHere = c.appFolder + "\\LumoraScr.ini";
        if (c.given & User) process.files[user] = "";
        if (c.given & Beside) process.files[besideHere] = "";
        if (c.given & ReadOnly) process.readOnlyFiles.insert(besideHere);
        if (c.given & Folder) process.writableDirectories.insert(c.appFolder);
        if (c.given & System) process.files[system] = "";
        EXPECT_EQ(basComon::FindIniLocation(), c.expected) << c.given << c.appFolder;
    }
}

TEST_F(LocationTest, FilesAreFoundInAnyCaseTheExactOneFirst) {
    process.writableDirectories.insert(process.appDirectory);
    process.files[process.appDirectory + "\\LUMORASCR.INI"] = "";
    process.files[process.appDirectory + "\\calender.DAT"] = "";
    const std::string found = process.appDirectory + "\\LUMORASCR.INI";
    EXPECT_EQ(basComon::FindIniLocation(), (basComon::IniLocation{found, found}));
    EXPECT_EQ(basComon::FindHolidayPath(), process.appDirectory + "\\calender.DAT");
    process.files[process.appDirectory + "\\Calender.dat"] = "";
    EXPECT_EQ(basComon::FindHolidayPath(), process.appDirectory + "\\Calender.dat");
}

TEST_F(LocationTest, TheFirstSaveOfADefaultListWritesTheUsersOwnFile) {
    process.appDirectory = "/usr/lib/lumorascr";
    process.userConfigDirectory = "/home/me/.config/lumorascr/";
    process.systemConfigDirectories = {"/etc/xdg/lumorascr/"};
    process.files["/etc/xdg/lumorascr/LumoraScr.ini"] = "";
    settings.values[{"/etc/xdg/lumorascr/LumoraScr.ini", "image", "count"}] = "1";
    settings.values[{"/etc/xdg/lumorascr/LumoraScr.ini", "image", "1"}] = "True\ta\t/p/\ta\t/p/";
    text.separator = '/';
    basComon::LoadSettings();
    EXPECT_EQ(basComon::ImageCount(), 1);
    const auto defaults = settings.values;
    ASSERT_TRUE(basComon::SaveImageList());
    EXPECT_EQ(process.ensured, std::vector<std::string>{"/home/me/.config/lumorascr/"});
    EXPECT_EQ(basComon::IniPath, "/home/me/.config/lumorascr/LumoraScr.ini");
    EXPECT_EQ(settings.Get(basComon::IniPath, "image", "1"), "True\ta\t/p/\ta\t/p/");
    for (const auto& [where, value] : defaults)
        EXPECT_EQ(settings.values[where], value);
}

TEST_F(LocationTest, HolidayFileOfTheInstalledTreeFirst) {
    process.appDirectory = "/opt/lumora/bin";
    process.installedDataDirectory = "/opt/lumora/share/lumorascr";
    text.separator = '/';
    const std::string beside = "/opt/lumora/bin/Calender.dat",
                      installed = "/opt/lumora/share/lumorascr/Calender.dat";
    const struct {
        bool tree, besideExists, installedExists;
        std::string expected;
    } cases[] = {
        {false, false, false, beside}, {false, true, true, beside}, {false, false, true, installed},
        {true, true, true, installed}, {true, true, false, beside},
    };
    for (const auto& c : cases) {
        process.installedTree = c.tree;
        process.files.clear();
        if (c.besideExists) process.files[beside] = "";
        if (c.installedExists) process.files[installed] = "";
        EXPECT_EQ(basComon::FindHolidayPath(), c.expected) << c.tree << c.besideExists;
    }
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
