#include <memory>

#include "dialog/frmSetting.h"
#include "frmView.h"
#include "saver/frmMain.h"
#include "settings/settings.h"
#include "startup.h"

namespace basComon {
namespace {

const char* const SaverTitle = "LumoraScreenSaver";
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

    // Both titles are always looked up; either one refuses the start.
    const bool saverOpen = sys.windows->TopLevelWindowExists(SaverTitle);
    const bool settingOpen = sys.windows->TopLevelWindowExists(SettingTitle);
    if (saverOpen || settingOpen) return;

    ImageList.assign(1, ImageEntry{});
    LoadSettings();

    SaverHost = HostedSaverWindow(start, sys.windows->RootWindow());
    const std::string mode = SaverHost ? std::string("/S") : SwitchOf(start.CommandLine);
    if (mode == "/P")
        OpenPreview(start.CommandLine);
    else if (mode == "/S")
        RunSaver(SaverHost);
    else if (mode == "/C" || mode.empty())
        OpenSetting();
}

} // namespace basComon
