#include <memory>

#include "dialog/frmSetting.h"
#include "frmView.h"
#include "saver/frmMain.h"
#include "settings/settings.h"
#include "startup.h"

namespace basComon {
namespace {

const char* const SaverTitle = frmMain::Title;
const char* const SettingTitle = "LumoraScreenSaver Setting";

// The windows Main opens live until the process ends: the message loop serves them after Main
// returns, and the system reclaims them with the process.
struct OpenWindows {
    std::unique_ptr<platform::PreviewWindow> preview;
    std::unique_ptr<frmSetting> setting;
};
OpenWindows& Open() {
    static auto* windows = new OpenWindows;
    return *windows;
}

void OpenPreview(const std::string& commandLine) {
    auto& sys = platform::Current();
    PreviewParent = PreviewHandleOf(commandLine);
    auto view = sys.windows->CreatePreviewWindow(frmView::Design());
    if (!view) return;
    view->SetPosition(0, 0);
    view->SetCaption("Preview");
    view->MakeChildOf(PreviewParent);
    view->Show();
    Open().preview = std::move(view);
}

// A folder named with --directory replaces the stored list for this show; a hosted saver with
// no stored picture shows the folder the user chose for XScreenSaver's own image hacks.
void ChooseShownPictures(const platform::StartInfo& start) {
    std::string folder = ExpandHome(DirectoryArgument(start.Arguments), start.HomeDirectory);
    if (folder.empty() && SaverHost && ImageCount() == 0 && !start.HomeDirectory.empty()) {
        std::string settings;
        if (platform::Current().process->ReadFile(start.HomeDirectory + "/.xscreensaver", settings))
            folder = XScreenSaverImageDirectory(settings, start.HomeDirectory);
    }
    if (!folder.empty()) ImageList = FolderImageList(folder);
}

void RunSaver(platform::NativeHandle host) {
    platform::Current().process->SeedRandomFromClock();
    frmMain saver(host);
    saver.Show();
    saver.StartScreenSaver();
}

void OpenSetting() {
    auto& sys = platform::Current();
    sys.windows->PumpMessages();
    auto dialog = std::make_unique<frmSetting>();
    dialog->SetCaption(SettingTitle);
    dialog->Show();
    sys.windows->PumpMessages();
    Open().setting = std::move(dialog);
}

} // namespace

void Main(const platform::StartInfo& start) {
    auto& sys = platform::Current();
    DevMode = IsDevFolder(sys.process->AppDirectory());

    // The refusal is for the starts a user makes: a saver that XScreenSaver runs always draws,
    // or its locked screen would stay black while a settings dialog is open.
    SaverHost = HostedSaverWindow(start, sys.windows->RootWindow());
    if (!SaverHost) {
        // Both titles are always looked up; either one refuses the start.
        const bool saverOpen = sys.windows->TopLevelWindowExists(SaverTitle);
        const bool settingOpen = sys.windows->TopLevelWindowExists(SettingTitle);
        if (saverOpen || settingOpen) return;
    }

    ImageList.assign(1, ImageEntry{});
    LoadSettings();

    const std::string mode = SaverHost ? std::string("/S") : SwitchOf(start.CommandLine);
    if (mode == "/P") {
        OpenPreview(start.CommandLine);
    } else if (mode == "/S") {
        ChooseShownPictures(start);
        RunSaver(SaverHost);
    } else if (mode == "/C" || mode.empty()) {
        OpenSetting();
    }
}

} // namespace basComon
