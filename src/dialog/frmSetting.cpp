#include "frmSetting.h"

#include <algorithm>
#include <limits>

#include "dropped_files.h"
#include "settings/settings.h"

namespace {

platform::Services& Sys() {
    return platform::Current();
}

// Design-time measures are in twips; the platform takes pixels at 96 dpi (15 twips each).
platform::Rect Twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, (left + width) / 15, (top + height) / 15};
}

platform::ControlDesign Control(platform::ControlKind kind, const char* name, int index,
                                const char* text, platform::Rect bounds, int tabIndex,
                                const char* parent = "", const char* toolTip = "") {
    platform::ControlDesign c;
    c.Kind = kind;
    c.Name = name;
    c.Index = index;
    c.Text = text;
    c.ToolTip = toolTip;
    c.Bounds = bounds;
    c.TabIndex = tabIndex;
    c.Parent = parent;
    return c;
}

} // namespace

platform::DialogDesign frmSetting::Design() {
    using platform::ControlKind;
    platform::DialogDesign d;
    // Start-up gives the dialog its real title before showing it.
    d.Caption = "LumoraScreenSaverSetting";
    d.Client = {6090 / 15, 5190 / 15};
    d.Controls = {
        Control(ControlKind::GroupBox, "Frame1", -1, "画像", Twips(120, 480, 5775, 2895), 2),
        Control(ControlKind::Label, "lblTitle", -1, "表示する画像リスト",
                Twips(240, 240, 2175, 255), 4, "Frame1"),
        Control(ControlKind::ListBox, "lstFile", -1, "", Twips(240, 480, 5295, 1500), 3, "Frame1",
                "画像ファイルをドロップしてください"),
        Control(ControlKind::Button, "BTN", 0, "登録", Twips(120, 4680, 975, 375), 0),
        Control(ControlKind::Button, "BTN", 2, "削除", Twips(1200, 4680, 975, 375), 5),
        Control(ControlKind::Button, "BTN", 1, "閉じる", Twips(4920, 4680, 975, 375), 1),
    };
    d.FocusOnOpen = "BTN:0";
    return d;
}

frmSetting::frmSetting() {
    view_ = Sys().controls->CreateSettingsDialog(Design(), *this, CloseButton);
    open_ = view_ != nullptr;
    Form_Load();
}

frmSetting::~frmSetting() = default;

void frmSetting::SetCaption(const std::string& caption) {
    if (open_) view_->SetCaption(caption);
}

void frmSetting::Show() {
    if (open_) view_->Show();
}

void frmSetting::Form_Load() {
    if (!open_) return;
    view_->ListClear();
    const int upper = std::min(basComon::ImageCount(), basComon::MaxListEntries);
    for (int i = 1; i <= upper; ++i)
        view_->ListAppend(basComon::ImageList[static_cast<std::size_t>(i)].Title);
}

void frmSetting::OnButton(int index) {
    // An index no 16-bit button number can have must not wrap around onto a real button.
    if (index < std::numeric_limits<std::int16_t>::min() ||
        index > std::numeric_limits<std::int16_t>::max())
        return;
    BTN_Click(static_cast<std::int16_t>(index));
}

void frmSetting::BTN_Click(std::int16_t Index) {
    if (!open_) return;
    switch (Index) {
    case RegisterButton:
        if (basComon::SaveImageList()) {
            Unload();
        } else {
            // Closing now would lose the user's list; they can free the file and try again.
            Tell("設定ファイルに保存できませんでした。\n" + basComon::IniSavePath +
                 "\n画像リストは保存されていません。");
        }
        break;
    case CloseButton:
        Unload();
        break;
    case DeleteButton:
        DeleteSelectedImage();
        break;
    default:
        break;
    }
}

void frmSetting::lstFile_OLEDragDrop(const std::optional<std::vector<std::string>>& files) {
    if (!open_ || !files || files->empty()) return;
    if (basComon::ImageList.empty()) basComon::ImageList.resize(1);
    const DropResult result =
        TakeDroppedFiles(*files, basComon::MaxListEntries - basComon::ImageCount());

    std::vector<std::string> lines;
    lines.reserve(result.Added.size());
    for (const ImageEntry& entry : result.Added) {
        lines.push_back(entry.Title);
        basComon::ImageList.push_back(entry);
    }
    if (!lines.empty()) view_->ListAppend(lines);

    const std::string refusal = RefusalMessage(result, files->size());
    if (!refusal.empty()) Tell(refusal);
    const std::string missing = MissingFormatsMessage(result);
    if (!missing.empty()) Tell(missing);
}

void frmSetting::DeleteSelectedImage() {
    const int L = view_->ListSelectedIndex();
    if (L < 0) return;
    // Line L shows entry L + 1; the entries after it move up one place.
    if (L + 1 <= basComon::ImageCount())
        basComon::ImageList.erase(basComon::ImageList.begin() + L + 1);
    const int again = view_->ListSelectedIndex();
    if (again >= 0) view_->ListDelete(again);
}

void frmSetting::Unload() {
    open_ = false;
    view_->Close();
}

void frmSetting::Tell(const std::string& text) {
    view_->MessageBox(text, view_->Caption());
}
