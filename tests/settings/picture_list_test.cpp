#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "settings/settings.h"

namespace {

using basComon::ImageList;

const std::string Ini = "C:\\app\\LumoraScr.ini";

class PictureListTest : public testing::Test {
  protected:
    void SetUp() override {
        basComon::IniPath = basComon::IniSavePath = Ini;
        ImageList.assign(1, ImageEntry{});
    }
    void TearDown() override {
        basComon::IniPath.clear();
        basComon::IniSavePath.clear();
        ImageList.assign(1, ImageEntry{});
    }
    void Store(const std::string& key, const std::string& value) {
        settings.values[{Ini, "image", key}] = value;
    }
    fakes::MemorySettingsFile settings;
    fakes::FakeProcess process;
    fakes::FakeText text;
    platform::ScopedServices services{
        {.process = &process, .settingsFile = &settings, .text = &text}};
};

ImageEntry Picture(const std::string& folder, const std::string& file) {
    return {folder, file, file, folder, true};
}

TEST_F(PictureListTest, SavedListLoadsBackTheSame) {
    ImageList = {ImageEntry{},
                 Picture("c:\\pics\\", "a.jpg"),
                 Picture("c:\\写真\\夏\\", "海 辺.bmp"),
                 {"d:\\x\\", "b.jpg", "shown title", "d:\\orig\\", false}};
    const auto saved = ImageList;
    ASSERT_TRUE(basComon::SaveImageList());
    EXPECT_EQ(settings.Get(Ini, "image", "count"), "3");
    EXPECT_EQ(settings.Get(Ini, "image", "1"), "True\ta.jpg\tc:\\pics\\\ta.jpg\tc:\\pics\\");
    EXPECT_EQ(settings.Get(Ini, "image", "3"), "False\tshown title\td:\\x\\\tb.jpg\td:\\orig\\");
    ImageList.assign(1, ImageEntry{});
    basComon::LoadImageList();
    EXPECT_EQ(ImageList, saved);
}

TEST_F(PictureListTest, ShorterListRemovesTheKeysAboveItsCount) {
    ImageList = {ImageEntry{},        Picture("a\\", "1"), Picture("a\\", "2"),
                 Picture("a\\", "3"), Picture("a\\", "4"), Picture("a\\", "5")};
    ASSERT_TRUE(basComon::SaveImageList());
    ImageList.resize(4);
    ASSERT_TRUE(basComon::SaveImageList());
    EXPECT_EQ(settings.Get(Ini, "image", "count"), "3");
    EXPECT_FALSE(settings.Has(Ini, "image", "4"));
    EXPECT_FALSE(settings.Has(Ini, "image", "5"));
    basComon::LoadImageList();
    EXPECT_EQ(basComon::ImageCount(), 3);
}

TEST_F(PictureListTest, EmptyListSavesCountZero) {
    ASSERT_TRUE(basComon::SaveImageList());
    EXPECT_EQ(settings.Get(Ini, "image", "count"), "0");
    EXPECT_EQ(settings.writes, 1);
}

TEST_F(PictureListTest, FailedSaveIsReportedAndKeepsTheList) {
    ImageList = {ImageEntry{}, Picture("a\\", "1"), Picture("a\\", "2")};
    settings.failWrites = true;
    EXPECT_FALSE(basComon::SaveImageList());
    EXPECT_EQ(basComon::ImageCount(), 2);
    basComon::IniSavePath.clear(); // no usable place for the file at all
    settings.failWrites = false;
    EXPECT_FALSE(basComon::SaveImageList());
    EXPECT_EQ(settings.writes, 1);
}

TEST_F(PictureListTest, MissingFileGivesEmptyList) {
    ImageList = {ImageEntry{}, Picture("old\\", "x")};
    basComon::LoadImageList();
    EXPECT_EQ(ImageList, std::vector<ImageEntry>(1));
}

TEST_F(PictureListTest, MissingOrBlankLinesStayFresh) {
    Store("count", "4");
    Store("1", "True\tt\tf\\\tn\to\\");
    Store("3", "   ");
    Store("4", "False\tt4\tf4\tn4\to4");
    basComon::LoadImageList();
    ASSERT_EQ(basComon::ImageCount(), 4);
    EXPECT_EQ(ImageList[1], (ImageEntry{"f\\", "n", "t", "o\\", true}));
    EXPECT_EQ(ImageList[2], ImageEntry{});
    EXPECT_EQ(ImageList[3], ImageEntry{});
    EXPECT_EQ(ImageList[4], (ImageEntry{"f4", "n4", "t4", "o4", false}));
}

TEST_F(PictureListTest, LineLongerThanTheOldBufferComesBackWhole) {
    const std::string folder = "c:\\" + std::string(300, 'd') + "\\";
    ImageList = {ImageEntry{}, Picture(folder, "long.jpg")};
    ASSERT_TRUE(basComon::SaveImageList());
    ImageList.assign(1, ImageEntry{});
    basComon::LoadImageList();
    ASSERT_EQ(basComon::ImageCount(), 1);
    EXPECT_EQ(ImageList[1].OrigFolder, folder);
}

TEST(ImageCount, OnlyWholeNumbersFrom0To32767) {
    const struct {
        const char* text;
        int count;
    } cases[] = {
        {"0", 0},     {"1", 1},    {"32767", 32767}, {"007", 7},
        {" 12 ", 12}, {"+3", 3},   {"", -1},         {"abc", -1},
        {"-1", -1},   {"-0", -1},  {"32768", -1},    {"99999999999999999999", -1},
        {"1.5", -1},  {"2e3", -1}, {"1 2", -1},      {"+", -1},
        {"0x10", -1}, {"３", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(basComon::ParseImageCount(c.text), c.count) << c.text;
}

TEST_F(PictureListTest, UnusableCountTakesTheKeysUpToTheFirstGap) {
    for (const char* count :
         std::initializer_list<const char*>{"12abc", "-1", "32768", "3.0", "", nullptr}) {
        settings.values.clear();
        if (count) Store("count", count);
        Store("1", "True\tt1\tf\tn\to");
        Store("2", "True\tt2\tf\tn\to");
        Store("4", "True\tt4\tf\tn\to");
        basComon::LoadImageList();
        ASSERT_EQ(basComon::ImageCount(), 2) << (count ? count : "no count");
        EXPECT_EQ(ImageList[2].Title, "t2");
        ASSERT_TRUE(basComon::SaveImageList());
        EXPECT_EQ(settings.Get(Ini, "image", "count"), "2");
        EXPECT_FALSE(settings.Has(Ini, "image", "4")) << "a picture deleted earlier comes back";
    }
}

TEST(ImageLine, PiecesMapByPosition) {
    const struct {
        const char* line;
        ImageEntry entry;
    } cases[] = {
        {"True\tTitle\tc:\\f\\\tn.jpg\tc:\\o\\", {"c:\\f\\", "n.jpg", "Title", "c:\\o\\", true}},
        {"  true\tt\tf\tn\to  ", {"f", "n", "t", "o", true}},
        {"TRUE\tt\tf\tn\to\textra\tmore", {"f", "n", "t", "o", true}},
        {"False\t\t\tn\t", {"", "n", "", "", false}},
        {"True\t a b \tf", {"f", "", " a b ", "", true}},
        {"True", {"", "", "", "", true}},
        {"fAlSe\tonly title", {"", "", "only title", "", false}},
        {"\tt\tf\tn\to", {"f", "n", "t", "o", false}},
        {"", {}},
        {"     ", {}},
        {"-1\tt", {"", "", "t", "", true}},
        {"0\tt", {"", "", "t", "", false}},
        {"2.5\tt", {"", "", "t", "", true}},
        {"0.0\tt", {"", "", "t", "", false}},
        {"yes\tt", {"", "", "t", "", false}},
        {"Truely\tt", {"", "", "t", "", false}},
        {"1x\tt", {"", "", "t", "", false}},
        {"\t\t\t\t\t", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(basComon::ParseImageLine(c.line), c.entry) << c.line;
}

TEST(ImageLine, FormatKeepsTheStoredPieceOrder) {
    EXPECT_EQ(basComon::FormatImageLine({"F\\", "N", "T", "O\\", true}), "True\tT\tF\\\tN\tO\\");
    EXPECT_EQ(basComon::FormatImageLine({}), "False\t\t\t\t");
}

} // namespace
