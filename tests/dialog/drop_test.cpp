#include <gtest/gtest.h>

#include <optional>

#include "dialog/frmSetting.h"
#include "fakes/dialog_fakes.h"
#include "settings/settings.h"

namespace {

const char* const Short = "画像ファイルを指定してください。";
const char* const BmpJpg = "画像ファイルを指定してください。(*.bmp,*.jpg)";
const char* const Title = "LumoraScreenSaver Setting";

ImageEntry Entry(const std::string& folder, const std::string& file) {
    return {folder, file, file, folder, true};
}

struct DropCase {
    const char* Name;
    char Separator;
    std::vector<std::vector<std::string>> Drops; // one file list per drop
    std::vector<ImageEntry> Added;
    std::vector<std::string> Messages;
};

TEST(SettingsDialogDrop, TakesTheFirstDroppedPictureFileInLowerCase) {
    const DropCase cases[] = {
        {"a capitalised JPG path",
         '\\',
         {{"C:\\Pictures\\Beach.JPG"}},
         {Entry("c:\\pictures\\", "beach.jpg")},
         {}},
        {"bmp", '\\', {{"d:\\a.bmp"}}, {Entry("d:\\", "a.bmp")}, {}},
        {".jpeg", '\\', {{"c:\\p\\x.jpeg"}}, {Entry("c:\\p\\", "x.jpeg")}, {}},
        {".gif", '\\', {{"c:\\p\\x.gif"}}, {}, {BmpJpg}},
        {".png", '\\', {{"c:\\p\\x.png"}}, {}, {BmpJpg}},
        {".jpe", '\\', {{"c:\\p\\x.jpe"}}, {}, {BmpJpg}},
        {"a dot only in a folder name", '\\', {{"c:\\my.photos\\readme"}}, {}, {BmpJpg}},
        {"no dot at all", '\\', {{"c:\\photos\\readme"}}, {}, {Short}},
        {"no folder", '\\', {{"beach.jpg"}}, {}, {BmpJpg}},
        {"three files at once",
         '\\',
         {{"c:\\p\\1.jpg", "c:\\p\\2.jpg", "c:\\p\\3.jpg"}},
         {Entry("c:\\p\\", "1.jpg")},
         {}},
        {"the same file twice",
         '\\',
         {{"c:\\p\\a.jpg"}, {"C:\\P\\A.JPG"}},
         {Entry("c:\\p\\", "a.jpg"), Entry("c:\\p\\", "a.jpg")},
         {}},
        {"a folder named like a picture",
         '\\',
         {{"c:\\albums\\2024.jpg"}},
         {Entry("c:\\albums\\", "2024.jpg")},
         {}},
        {"full-width letters",
         '\\',
         {{"c:\\写真\\ＡＢ.jpg"}},
         {Entry("c:\\写真\\", "ａｂ.jpg")},
         {}},
        {"a Linux path",
         '/',
         {{"/home/Me/Pics/Sea.JPEG"}},
         {Entry("/home/me/pics/", "sea.jpeg")},
         {}},
        {"a Linux file at the root", '/', {{"/top.bmp"}}, {Entry("/", "top.bmp")}, {}},
        {"a backslash on Linux is no separator", '/', {{"a\\b.jpg"}}, {}, {BmpJpg}},
        // A TAB or a line break would split the stored line into other fields or entries.
        {"a TAB in the name", '/', {{"/p/a\tTrue\tx.jpg"}}, {}, {BmpJpg}},
        {"a line break in a folder", '/', {{"/p\n2=True/a.jpg"}}, {}, {BmpJpg}},
        {"a carriage return", '/', {{"/p/a\r.jpg"}}, {}, {BmpJpg}},
        {"refused, then accepted",
         '\\',
         {{"c:\\p\\x.gif"}, {"c:\\p\\y.jpg"}},
         {Entry("c:\\p\\", "y.jpg")},
         {BmpJpg}},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fakes::DialogRig rig(c.Separator);
        rig.AddEntry("c:\\old\\", "old.jpg", "old.jpg");
        frmSetting dialog;
        dialog.SetCaption(Title);
        for (const auto& files : c.Drops)
            dialog.OnDrop(files);

        std::vector<ImageEntry> expected{ImageEntry{}, Entry("c:\\old\\", "old.jpg")};
        expected.insert(expected.end(), c.Added.begin(), c.Added.end());
        EXPECT_EQ(basComon::ImageList, expected);
        std::vector<std::string> lines;
        for (std::size_t i = 1; i < expected.size(); ++i)
            lines.push_back(expected[i].Title);
        EXPECT_EQ(rig.controls.view->lines, lines);
        std::vector<std::string> texts;
        for (const auto& m : rig.controls.view->messages) {
            texts.push_back(m.Text);
            EXPECT_EQ(m.Title, Title);
        }
        EXPECT_EQ(texts, c.Messages);
        EXPECT_EQ(rig.settingsFile.writes, 0);
    }
}

TEST(SettingsDialogDrop, ADropWithoutFilesChangesNothingAndSaysNothing) {
    fakes::DialogRig rig;
    frmSetting dialog;
    dialog.OnDrop(std::nullopt);
    dialog.OnDrop(std::vector<std::string>{});
    EXPECT_EQ(basComon::ImageCount(), 0);
    EXPECT_TRUE(rig.controls.view->lines.empty());
    EXPECT_TRUE(rig.controls.view->messages.empty());
}

TEST(SettingsDialogDrop, RefusesAPathTheCodePageCannotCarry) {
    fakes::DialogRig rig;
    frmSetting dialog;
    dialog.OnDrop(std::vector<std::string>{"c:\\photos\\caf\xC3\xA9.jpg"});
    EXPECT_EQ(basComon::ImageCount(), 0);
    EXPECT_TRUE(rig.controls.view->lines.empty());
    ASSERT_EQ(rig.controls.view->messages.size(), 1u);
    EXPECT_NE(rig.controls.view->messages[0].Text.find("caf\xC3\xA9.jpg"), std::string::npos);
}

TEST(SettingsDialogDrop, RefusesADropWhenTheListIsFull) {
    fakes::DialogRig rig;
    basComon::ImageList.resize(basComon::MaxListEntries + 1, Entry("c:\\p\\", "a.jpg"));
    basComon::ImageList[0] = ImageEntry{};
    frmSetting dialog;
    ASSERT_EQ(rig.controls.view->lines.size(), 32767u);
    dialog.OnDrop(std::vector<std::string>{"c:\\p\\b.jpg"});
    EXPECT_EQ(basComon::ImageCount(), 32767);
    EXPECT_EQ(rig.controls.view->lines.size(), 32767u);
    EXPECT_EQ(rig.controls.view->messages.size(), 1u);

    // One place free again: the drop is taken.
    rig.controls.view->selected = 0;
    dialog.OnButton(frmSetting::DeleteButton);
    dialog.OnDrop(std::vector<std::string>{"c:\\p\\b.jpg"});
    EXPECT_EQ(basComon::ImageCount(), 32767);
    EXPECT_EQ(basComon::ImageList.back(), Entry("c:\\p\\", "b.jpg"));
    EXPECT_EQ(rig.controls.view->messages.size(), 1u);
}

} // namespace
