#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "dialog/frmSetting.h"
#include "fakes/dialog_fakes.h"
#include "settings/settings.h"

namespace {

const char* const Short = "画像ファイルを指定してください。";
const char* const Known =
    "画像ファイルを指定してください。(*.jpg,*.jpeg,*.jpe,*.jfif,*.bmp,*.png,*.gif,*.webp,*.heic,"
    "*.heif,*.avif,*.tif,*.tiff)";
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
    std::map<std::string, std::vector<platform::FolderEntry>> Folders = {};
};

using Kind = platform::FolderEntry::Type;
platform::FolderEntry File(const char* name, bool hidden = false) {
    return {name, Kind::File, hidden};
}
platform::FolderEntry Folder(const char* name, bool hidden = false) {
    return {name, Kind::Folder, hidden};
}

TEST(SettingsDialogDrop, TakesEveryDroppedPictureAndFolderInLowerCase) {
    const DropCase cases[] = {
        {"a capitalised JPG path",
         '\\',
         {{"C:\\Pictures\\Beach.JPG"}},
         {Entry("c:\\pictures\\", "beach.jpg")},
         {}},
        {"bmp", '\\', {{"d:\\a.bmp"}}, {Entry("d:\\", "a.bmp")}, {}},
        {".jpeg", '\\', {{"c:\\p\\x.jpeg"}}, {Entry("c:\\p\\", "x.jpeg")}, {}},
        {"every taken kind, in any case",
         '\\',
         {{"c:\\p\\a.GIF", "c:\\p\\b.png", "c:\\p\\c.jpe", "c:\\p\\d.JFIF", "c:\\p\\e.webp",
           "c:\\p\\f.heic", "c:\\p\\g.HEIF", "c:\\p\\h.avif", "c:\\p\\i.tif", "c:\\p\\j.TIFF"}},
         {Entry("c:\\p\\", "a.gif"), Entry("c:\\p\\", "b.png"), Entry("c:\\p\\", "c.jpe"),
          Entry("c:\\p\\", "d.jfif"), Entry("c:\\p\\", "e.webp"), Entry("c:\\p\\", "f.heic"),
          Entry("c:\\p\\", "g.heif"), Entry("c:\\p\\", "h.avif"), Entry("c:\\p\\", "i.tif"),
          Entry("c:\\p\\", "j.tiff")},
         {}},
        {"an unknown kind", '\\', {{"c:\\p\\x.txt"}}, {}, {Known}},
        {"a dot only in a folder name", '\\', {{"c:\\my.photos\\readme"}}, {}, {Known}},
        {"no dot at all", '\\', {{"c:\\photos\\readme"}}, {}, {Short}},
        {"no folder", '\\', {{"beach.jpg"}}, {}, {Known}},
        {"three files at once",
         '\\',
         {{"c:\\p\\3.jpg", "c:\\p\\1.jpg", "c:\\p\\2.jpg"}},
         {Entry("c:\\p\\", "3.jpg"), Entry("c:\\p\\", "1.jpg"), Entry("c:\\p\\", "2.jpg")},
         {}},
        {"two refused among several: the others taken, one message with the count",
         '\\',
         {{"c:\\p\\1.jpg", "c:\\p\\notes.txt", "c:\\p\\readme", "c:\\p\\2.jpg"}},
         {Entry("c:\\p\\", "1.jpg"), Entry("c:\\p\\", "2.jpg")},
         {std::string(Known) + "（2 件は追加されませんでした）"}},
        {"the same file twice",
         '\\',
         {{"c:\\p\\a.jpg"}, {"C:\\P\\A.JPG"}},
         {Entry("c:\\p\\", "a.jpg"), Entry("c:\\p\\", "a.jpg")},
         {}},
        {"a folder named like a picture",
         '\\',
         {{"c:\\albums\\2024.jpg"}},
         {Entry("c:\\albums\\2024.jpg\\", "a.jpg")},
         {},
         {{"c:\\albums\\2024.jpg", {File("A.jpg")}}}},
        // Stored paths in byte order: "a-b.jpg" < "a\\z.png" < "b.jpg", though the folder's
        // name "a" sorts before "a-b.jpg".
        {"a folder: pictures of it and its subfolders; hidden, \"._\" and links left out",
         '\\',
         {{"c:\\Trip"}},
         {Entry("c:\\trip\\", "a-b.jpg"), Entry("c:\\trip\\a\\", "z.png"),
          Entry("c:\\trip\\", "b.jpg")},
         {},
         {{"c:\\Trip",
           {File("B.jpg"), Folder("a"), File("notes.txt"), File("a-b.jpg"), File("h.jpg", true),
            File("._c.jpg"), Folder("cache", true), {"link", Kind::Other, false}}},
          {"c:\\Trip\\a", {File("z.png")}},
          {"c:\\Trip\\cache", {File("y.jpg")}},
          {"c:\\Trip\\link", {File("x.jpg")}}}},
        {"a Linux folder with a refused picture",
         '/',
         {{"/home/me/Trip/"}},
         {Entry("/home/me/trip/", "a.jpg")},
         {"このファイル名にはシステムで扱えない文字が含まれているため、登録できません。\n"
          "/home/me/trip/caf\xC3\xA9.jpg（1 件は追加されませんでした）"},
         {{"/home/me/Trip/", {File("caf\xC3\xA9.jpg"), File("a.jpg")}}}},
        {"a folder without pictures",
         '\\',
         {{"c:\\docs"}},
         {},
         {"このフォルダには登録できる画像ファイルがありません。\nc:\\docs"},
         {{"c:\\docs", {File("notes.txt")}}}},
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
        {"a backslash on Linux is no separator", '/', {{"a\\b.jpg"}}, {}, {Known}},
        // A TAB or a line break would split the stored line into other fields or entries.
        {"a TAB in the name", '/', {{"/p/a\tTrue\tx.jpg"}}, {}, {Known}},
        {"a line break in a folder", '/', {{"/p\n2=True/a.jpg"}}, {}, {Known}},
        {"a carriage return", '/', {{"/p/a\r.jpg"}}, {}, {Known}},
        {"refused, then accepted",
         '\\',
         {{"c:\\p\\x.txt"}, {"c:\\p\\y.jpg"}},
         {Entry("c:\\p\\", "y.jpg")},
         {Known}},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fakes::DialogRig rig(c.Separator);
        rig.process.folders = c.Folders;
        for (const auto& files : c.Drops)
            for (const std::string& file : files) rig.pictures.sizes[file] = {8, 8};
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

    // One place free again: a folder's walk takes its first picture and stops there.
    rig.controls.view->selected = 0;
    dialog.OnButton(frmSetting::DeleteButton);
    rig.process.folders["c:\\q"] = {File("c.jpg"), File("b.jpg")};
    dialog.OnDrop(std::vector<std::string>{"c:\\q"});
    EXPECT_EQ(basComon::ImageCount(), 32767);
    EXPECT_EQ(basComon::ImageList.back(), Entry("c:\\q\\", "b.jpg"));
    EXPECT_EQ(rig.controls.view->lines.back(), "b.jpg");
    ASSERT_EQ(rig.controls.view->messages.size(), 2u);
    EXPECT_EQ(rig.controls.view->messages[1].Text, rig.controls.view->messages[0].Text);
}

// A format this system cannot draw is still taken, and said once per drop whatever the number
// of its pictures; a format one of whose pictures draws is not named.
TEST(SettingsDialogDrop, SaysOnceWhichDroppedFormatsThisSystemCannotShow) {
    fakes::DialogRig rig;
    rig.pictures.sizes["c:\\p\\ok.webp"] = {8, 8};
    frmSetting dialog;
    dialog.OnDrop(std::vector<std::string>{"c:\\p\\1.heic", "c:\\p\\bad.webp",
                                           "c:\\p\\ok.webp", "c:\\p\\2.HEIC",
                                           "c:\\p\\a.jpg"});
    EXPECT_EQ(basComon::ImageCount(), 5);
    ASSERT_EQ(rig.controls.view->messages.size(), 1u);
    EXPECT_EQ(rig.controls.view->messages[0].Text,
              "画像はリストに追加しましたが、次の形式はこのままでは表示されません。\n\nno heic");
    EXPECT_EQ(std::count(rig.pictures.loads.begin(), rig.pictures.loads.end(), "c:\\p\\a.jpg"), 0);
}

} // namespace
