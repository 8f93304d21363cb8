#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/qt/qt_services.h"
#include "platform/shared/platform_under_test.h"

namespace {

TEST(QtText, LowerCaseCoversEveryScript) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"/Home/ME/Pictures/Beach.JPG", "/home/me/pictures/beach.jpg"},
        {"ÉTÉ À PARIS.Jpeg", "été à paris.jpeg"},
        {"ＡＢＣ．ＪＰＧ", "ａｂｃ．ｊｐｇ"},   // full-width Latin
        {"写真/夏ノ海.BMP", "写真/夏ノ海.bmp"}, // kana and kanji have no case
        {"ΑΘΗΝΑ", "αθηνα"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(under_test::Text().ToLower(c.in), c.out) << c.in;
    EXPECT_TRUE(under_test::Text().FitsCodePage("é写真"));
    EXPECT_EQ(under_test::Text().PathSeparator(), '/');
    EXPECT_EQ(under_test::Text().FileTextToUtf8("\x89\xe6\x91\x9c"), "画像"); // Shift-JIS
    EXPECT_EQ(under_test::Text().FileTextToUtf8("画像"), "画像");
}

class QtProcessFiles : public testing::Test {
  protected:
    void SetUp() override {
        root = under_test::TempDirectory();
        ASSERT_FALSE(root.empty());
        for (const char* folder : {"/Pictures", "/Pictures/Summer Ｔｒｉｐ", "/Pictures/Été"})
            ASSERT_EQ(::mkdir((root + folder).c_str(), 0755), 0);
        for (const char* file : {"/Pictures/Summer Ｔｒｉｐ/Beach.JPG", "/Pictures/Été/Soleil.Bmp",
                                 "/Pictures/plain.jpg"})
            ASSERT_TRUE(under_test::WriteBytes(root + file, "x"));
    }
    std::string root;
    platform::Process& process = under_test::Process();
};

TEST_F(QtProcessFiles, ResolvePathCaseFindsEachComponent) {
    struct Case {
        const char* asked;
        const char* found; // nullptr: the path comes back as asked
    } cases[] = {
        {"/pictures/summer ｔｒｉｐ/beach.jpg", "/Pictures/Summer Ｔｒｉｐ/Beach.JPG"},
        {"/pictures/été/soleil.bmp", "/Pictures/Été/Soleil.Bmp"},
        {"/Pictures/plain.jpg", "/Pictures/plain.jpg"},
        {"/PICTURES//PLAIN.JPG", "/Pictures//plain.jpg"},
        {"/pictures/missing.jpg", nullptr},
        {"/nowhere/plain.jpg", nullptr},
        {"/pictures/plain.jpg/deeper", nullptr},
    };
    for (const Case& c : cases) {
        const std::string asked = root + c.asked;
        EXPECT_EQ(process.ResolvePathCase(asked), c.found ? root + c.found : asked) << c.asked;
    }
    EXPECT_EQ(process.ResolvePathCase(""), "");
}

// The names of a folder are read once and read again only when the folder changes.
TEST_F(QtProcessFiles, ResolvePathCaseSeesAFolderChangeAfterLookingInIt) {
    const std::string folder = root + "/Pictures/Summer Ｔｒｉｐ";
    // Last changed an hour ago: its names are kept from the first lookup on.
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), hourAgo, 0), 0);
    EXPECT_EQ(process.ResolvePathCase(folder + "/beach.jpg"), folder + "/Beach.JPG");
    ASSERT_EQ(::rename((folder + "/Beach.JPG").c_str(), (folder + "/BEACH.jpg").c_str()), 0);
    ASSERT_TRUE(under_test::WriteBytes(folder + "/New.jpg", "x"));
    EXPECT_EQ(process.ResolvePathCase(folder + "/beach.jpg"), folder + "/BEACH.jpg");
    EXPECT_EQ(process.ResolvePathCase(folder + "/new.jpg"), folder + "/New.jpg");
}

TEST_F(QtProcessFiles, ListFolderTellsFilesFoldersAndLinksApart) {
    using Kind = platform::FolderEntry::Type;
    const std::string pictures = root + "/Pictures";
    ASSERT_TRUE(under_test::WriteBytes(pictures + "/.hidden.jpg", "x"));
    ASSERT_EQ(::symlink((root + "/Pictures/Été").c_str(), (pictures + "/link").c_str()), 0);
    ASSERT_EQ(::symlink("plain.jpg", (pictures + "/file-link.jpg").c_str()), 0);
    auto entries = process.ListFolder(pictures);
    ASSERT_TRUE(entries);
    std::sort(entries->begin(), entries->end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    const std::vector<platform::FolderEntry> expected{
        {".hidden.jpg", Kind::File, true},  {"Summer Ｔｒｉｐ", Kind::Folder, false},
        {"file-link.jpg", Kind::Other, false}, {"link", Kind::Other, false},
        {"plain.jpg", Kind::File, false},   {"Été", Kind::Folder, false}};
    EXPECT_EQ(*entries, expected);
    EXPECT_TRUE(process.ListFolder(pictures + "/link")) << "a dropped link to a folder is read";
    EXPECT_FALSE(process.ListFolder(pictures + "/plain.jpg"));
    EXPECT_FALSE(process.ListFolder(root + "/nothing"));
}

TEST_F(QtProcessFiles, FilesAndFolders) {
    EXPECT_TRUE(process.FileExists(root + "/Pictures/plain.jpg"));
    EXPECT_FALSE(process.FileExists(root + "/Pictures"));
    EXPECT_FALSE(process.FileExists(root + "/nothing"));

    std::string bytes = "old";
    EXPECT_TRUE(process.ReadFile(root + "/Pictures/plain.jpg", bytes));
    EXPECT_EQ(bytes, "x");
    EXPECT_FALSE(process.ReadFile(root + "/Pictures", bytes));
    EXPECT_FALSE(process.ReadFile(root + "/nothing", bytes));

    const std::string deep = root + "/a/b/c/";
    EXPECT_TRUE(process.EnsureDirectory(deep));
    EXPECT_TRUE(process.IsDirectoryWritable(deep));
    EXPECT_TRUE(process.EnsureDirectory(deep)) << "an existing folder is fine";
    EXPECT_FALSE(process.EnsureDirectory(root + "/Pictures/plain.jpg/sub"));
    EXPECT_FALSE(process.IsDirectoryWritable(root + "/nothing"));
    if (::geteuid() != 0) {
        ::chmod((root + "/a").c_str(), 0555);
        EXPECT_FALSE(process.IsDirectoryWritable(root + "/a"));
        ::chmod((root + "/a").c_str(), 0755);
    }
}

TEST(QtProcess, Folders) {
    auto& process = under_test::Process();
    const std::string app = process.AppDirectory();
    ASSERT_FALSE(app.empty());
    EXPECT_EQ(app.front(), '/');
    EXPECT_NE(app.back(), '/');
    EXPECT_TRUE(process.FileExists(app + "/platform_tests"));

    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", "/tmp/conf", 1);
    EXPECT_EQ(process.UserConfigDirectory(), "/tmp/conf/lumorascr/");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(process.UserConfigDirectory(),
              std::string(std::getenv("HOME")) + "/.config/lumorascr/");
    if (saved)
        setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_NE(process.InstalledDataDirectory().find("share/lumorascr"), std::string::npos);
}

TEST(QtProcess, RandomNumbersStayBelowOne) {
    auto& process = under_test::Process();
    process.SeedRandomFromClock();
    double low = 1, high = 0;
    for (int i = 0; i < 20000; ++i) {
        const double r = process.Random();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        low = std::min(low, r);
        high = std::max(high, r);
    }
    EXPECT_LT(low, 0.01);
    EXPECT_GT(high, 0.99);
}

// Restores the time locale the test changed.
struct TimeLocale {
    std::string saved = std::setlocale(LC_TIME, nullptr);
    ~TimeLocale() { std::setlocale(LC_TIME, saved.c_str()); }
};

TEST(QtClock, WeekdayNamesComeFromTheLocale) {
    auto& clock = platform::qt::ClockService();
    TimeLocale guard;
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(1), "Sun");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(6), "Fri");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(0), "");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(8), "");
    if (!std::setlocale(LC_TIME, "ja_JP.UTF-8")) GTEST_SKIP() << "no ja_JP.UTF-8 locale here";
    EXPECT_EQ(clock.AbbreviatedWeekdayName(1), "日");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(6), "金");
    EXPECT_EQ(clock.AbbreviatedWeekdayName(7), "土");
}

TEST(QtClock, NowIsAPlausibleLocalTime) {
    const platform::LocalTime now = platform::qt::ClockService().Now();
    EXPECT_GE(now.Year, 2020);
    EXPECT_TRUE(now.Month >= 1 && now.Month <= 12);
    EXPECT_TRUE(now.Day >= 1 && now.Day <= 31);
    EXPECT_TRUE(now.Milliseconds >= 0 && now.Milliseconds <= 999);
}

} // namespace
