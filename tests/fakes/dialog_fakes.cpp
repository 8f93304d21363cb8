#include "dialog_fakes.h"

#include "settings/settings.h"

namespace fakes {

void FakeDialogView::ListDelete(int index) {
    if (index < 0 || index >= static_cast<int>(lines.size())) return;
    lines.erase(lines.begin() + index);
    selected = -1;
}

std::unique_ptr<platform::SettingsDialogView>
FakeControls::CreateSettingsDialog(const platform::DialogDesign& made,
                                   platform::SettingsDialogEvents&, int closeButtonIndex) {
    design = made;
    closeButton = closeButtonIndex;
    if (fail) return nullptr;
    auto created = std::make_unique<FakeDialogView>();
    created->caption = made.Caption;
    view = created.get();
    return created;
}

DialogRig::DialogRig(char separator) : text(separator) {
    basComon::ImageList.assign(1, ImageEntry{});
    basComon::IniPath = basComon::IniSavePath = "C:\\LumoraScr\\LumoraScr.ini";
    platform::Services services;
    services.process = &process;
    services.text = &text;
    services.controls = &controls;
    services.settingsFile = &settingsFile;
    services.pictures = &pictures;
    services.drawing = &drawing;
    scope_ = std::make_unique<platform::ScopedServices>(services);
}

DialogRig::~DialogRig() {
    basComon::ImageList.assign(1, ImageEntry{});
    basComon::IniPath.clear();
    basComon::IniSavePath.clear();
}

void DialogRig::AddEntry(const std::string& folder, const std::string& file,
                         const std::string& title) {
    ImageEntry entry;
    entry.Folder = folder;
    entry.FileName = file;
    entry.Title = title;
    entry.OrigFolder = folder;
    entry.Flag = true;
    basComon::ImageList.push_back(entry);
}

} // namespace fakes
