#include <gtest/gtest.h>

#include "dialog/frmSetting.h"
#include "fakes/dialog_fakes.h"
#include "settings/settings.h"

namespace {

using platform::ControlKind;

const platform::ControlDesign* Find(const platform::DialogDesign& d, const std::string& name,
                                    int index = -1) {
    for (const auto& c : d.Controls)
        if (c.Name == name && c.Index == index) return &c;
    return nullptr;
}

TEST(SettingsDialog, IsBuiltFromItsDesignWithTheCloseBoxActingAsClose) {
    fakes::DialogRig rig;
    frmSetting dialog;
    const platform::DialogDesign& d = rig.controls.design;
    EXPECT_EQ(d.Client, (platform::Size{406, 346}));
    EXPECT_EQ(d.FocusOnOpen, "BTN:0");
    EXPECT_EQ(rig.controls.closeButton, frmSetting::CloseButton);
    EXPECT_NE(d.Caption, "LumoraScreenSaver Setting") << "the running title comes from start-up";

    struct Expected {
        const char* Name;
        int Index;
        ControlKind Kind;
        const char* Text;
        platform::Rect Bounds;
        int Tab;
        const char* Parent;
    };
    const Expected controls[] = {
        {"Frame1", -1, ControlKind::GroupBox, "画像", {8, 32, 393, 225}, 2, ""},
        {"lblTitle", -1, ControlKind::Label, "表示する画像リスト", {16, 16, 161, 33}, 4, "Frame1"},
        {"lstFile", -1, ControlKind::ListBox, "", {16, 32, 369, 132}, 3, "Frame1"},
        {"BTN", 0, ControlKind::Button, "登録", {8, 312, 73, 337}, 0, ""},
        {"BTN", 1, ControlKind::Button, "閉じる", {328, 312, 393, 337}, 1, ""},
        {"BTN", 2, ControlKind::Button, "削除", {80, 312, 145, 337}, 5, ""},
    };
    EXPECT_EQ(d.Controls.size(), std::size(controls));
    for (const Expected& e : controls) {
        SCOPED_TRACE(std::string(e.Name) + std::to_string(e.Index));
        const platform::ControlDesign* c = Find(d, e.Name, e.Index);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Kind, e.Kind);
        EXPECT_EQ(c->Text, e.Text);
        EXPECT_EQ(c->Bounds, e.Bounds);
        EXPECT_EQ(c->TabIndex, e.Tab);
        EXPECT_EQ(c->Parent, e.Parent);
    }
    EXPECT_EQ(Find(d, "lstFile")->ToolTip, "画像ファイルをドロップしてください");
}

TEST(SettingsDialog, ListsTheStoredTitlesInStoredOrderIncludingAnEmptyOne) {
    fakes::DialogRig rig;
    rig.AddEntry("c:\\p\\", "a.jpg", "a.jpg");
    rig.AddEntry("", "", "");
    rig.AddEntry("c:\\p\\", "b.jpg", "海.jpg");
    frmSetting dialog;
    EXPECT_EQ(rig.controls.view->lines, (std::vector<std::string>{"a.jpg", "", "海.jpg"}));
    EXPECT_FALSE(rig.controls.view->shown);
    dialog.SetCaption("LumoraScreenSaver Setting");
    dialog.Show();
    EXPECT_TRUE(rig.controls.view->shown);
    EXPECT_EQ(rig.controls.view->caption, "LumoraScreenSaver Setting");

    // The empty line can be selected and deleted like any other.
    rig.controls.view->selected = 1;
    dialog.OnButton(frmSetting::DeleteButton);
    EXPECT_EQ(rig.controls.view->lines, (std::vector<std::string>{"a.jpg", "海.jpg"}));
    ASSERT_EQ(basComon::ImageCount(), 2);
    EXPECT_EQ(basComon::ImageList[2].Title, "海.jpg");
}

struct DeleteCase {
    const char* Name;
    int Entries;
    std::vector<int> Selections; // the selected line before each press of 削除
    std::vector<std::string> Left;
};

TEST(SettingsDialog, DeletesTheSelectedLineAndItsEntry) {
    const DeleteCase cases[] = {
        {"nothing selected", 3, {-1}, {"1.jpg", "2.jpg", "3.jpg"}},
        {"pressed twice in a row", 3, {1, -2}, {"1.jpg", "3.jpg"}},
        {"the only entry", 1, {0}, {}},
        {"line 0 of three", 3, {0}, {"2.jpg", "3.jpg"}},
        {"the last line", 3, {2}, {"1.jpg", "2.jpg"}},
    };
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fakes::DialogRig rig;
        for (int i = 1; i <= c.Entries; ++i) {
            const std::string file = std::to_string(i) + ".jpg";
            rig.AddEntry("c:\\p" + std::to_string(i) + "\\", file, file);
        }
        frmSetting dialog;
        for (int selection : c.Selections) {
            // -2: whatever the previous deletion left selected.
            if (selection != -2) rig.controls.view->selected = selection;
            dialog.OnButton(frmSetting::DeleteButton);
        }
        EXPECT_EQ(rig.controls.view->lines, c.Left);
        ASSERT_EQ(basComon::ImageCount(), static_cast<int>(c.Left.size()));
        for (std::size_t i = 0; i < c.Left.size(); ++i) {
            const ImageEntry& e = basComon::ImageList[i + 1];
            EXPECT_EQ(e.Title, c.Left[i]);
            EXPECT_EQ(e.Folder, "c:\\p" + c.Left[i].substr(0, 1) + "\\") << "all fields move";
        }
        EXPECT_EQ(basComon::ImageList[0], ImageEntry{});
        EXPECT_TRUE(rig.controls.view->messages.empty());
        EXPECT_FALSE(rig.controls.view->closed);
    }
}

TEST(SettingsDialog, RegisterSavesTheListInItsOrderAndCloses) {
    fakes::DialogRig rig;
    rig.AddEntry("c:\\p\\", "a.jpg", "a.jpg");
    rig.AddEntry("c:\\p\\", "b.jpg", "b.jpg");
    frmSetting dialog;
    dialog.OnDrop(std::vector<std::string>{"C:\\Q\\C.BMP"});
    rig.controls.view->selected = 0;
    dialog.OnButton(frmSetting::DeleteButton);
    dialog.OnButton(frmSetting::RegisterButton);

    const std::string& ini = basComon::IniPath;
    EXPECT_EQ(rig.settingsFile.Get(ini, "Image", "Count"), "2");
    EXPECT_EQ(rig.settingsFile.Get(ini, "Image", "1"), "True\tb.jpg\tc:\\p\\\tb.jpg\tc:\\p\\");
    EXPECT_EQ(rig.settingsFile.Get(ini, "Image", "2"), "True\tc.bmp\tc:\\q\\\tc.bmp\tc:\\q\\");
    EXPECT_TRUE(rig.controls.view->closed);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_TRUE(rig.controls.view->messages.empty());
}

TEST(SettingsDialog, RegisterWritesAnEmptyListAsCountZero) {
    fakes::DialogRig rig;
    rig.AddEntry("c:\\p\\", "a.jpg", "a.jpg");
    frmSetting dialog;
    rig.controls.view->selected = 0;
    dialog.OnButton(frmSetting::DeleteButton);
    dialog.OnButton(frmSetting::RegisterButton);
    EXPECT_EQ(rig.settingsFile.Get(basComon::IniPath, "Image", "Count"), "0");
    EXPECT_FALSE(dialog.IsOpen());
}

TEST(SettingsDialog, CloseAndTheCloseBoxWriteNothing) {
    fakes::DialogRig rig;
    rig.AddEntry("c:\\p\\", "a.jpg", "a.jpg");
    frmSetting dialog;
    dialog.OnDrop(std::vector<std::string>{"c:\\p\\b.jpg"});
    // The close box reaches the dialog as the button the dialog named for it.
    dialog.OnButton(rig.controls.closeButton);
    EXPECT_EQ(rig.settingsFile.writes, 0);
    EXPECT_TRUE(rig.controls.view->closed);
    EXPECT_FALSE(dialog.IsOpen());

    // A closed dialog takes no further clicks.
    dialog.OnButton(frmSetting::RegisterButton);
    EXPECT_EQ(rig.settingsFile.writes, 0);
}

TEST(SettingsDialog, AFailedSaveSaysSoAndKeepsTheDialogAndTheList) {
    fakes::DialogRig rig;
    rig.AddEntry("c:\\p\\", "a.jpg", "a.jpg");
    frmSetting dialog;
    dialog.SetCaption("LumoraScreenSaver Setting");
    dialog.OnDrop(std::vector<std::string>{"c:\\p\\b.jpg"});
    const auto listBefore = basComon::ImageList;
    rig.settingsFile.failWrites = true;
    dialog.OnButton(frmSetting::RegisterButton);

    EXPECT_TRUE(dialog.IsOpen());
    EXPECT_FALSE(rig.controls.view->closed);
    EXPECT_EQ(basComon::ImageList, listBefore);
    EXPECT_EQ(rig.controls.view->lines, (std::vector<std::string>{"a.jpg", "b.jpg"}));
    ASSERT_EQ(rig.controls.view->messages.size(), 1u);
    const auto& message = rig.controls.view->messages[0];
    EXPECT_NE(message.Text.find(basComon::IniPath), std::string::npos);
    EXPECT_NE(message.Text.find("保存されていません"), std::string::npos);
    EXPECT_EQ(message.Title, "LumoraScreenSaver Setting");

    // Once the file can be written the same press saves and closes.
    rig.settingsFile.failWrites = false;
    dialog.OnButton(frmSetting::RegisterButton);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(rig.settingsFile.Get(basComon::IniPath, "Image", "Count"), "2");
}

TEST(SettingsDialog, IgnoresButtonIndexesItDoesNotHave) {
    fakes::DialogRig rig;
    rig.AddEntry("c:\\p\\", "a.jpg", "a.jpg");
    frmSetting dialog;
    rig.controls.view->selected = 0;
    for (int index : {3, -1, 65536, 65538, -65536})
        dialog.OnButton(index);
    EXPECT_TRUE(dialog.IsOpen());
    EXPECT_EQ(rig.settingsFile.writes, 0);
    EXPECT_EQ(basComon::ImageCount(), 1);
}

TEST(SettingsDialog, ADialogThatCouldNotBeCreatedIsNotOpen) {
    fakes::DialogRig rig;
    rig.controls.fail = true;
    frmSetting dialog;
    dialog.Show();
    dialog.OnDrop(std::vector<std::string>{"c:\\p\\b.jpg"});
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(basComon::ImageCount(), 0);
}

} // namespace
