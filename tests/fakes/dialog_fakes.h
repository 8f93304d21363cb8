#pragma once
// A stand-in for the settings dialog's native view, and a rig with the services it uses.
#include <memory>
#include <string>
#include <vector>

#include "fakes.h"
#include "saver_fakes.h"

namespace fakes {

class FakeDialogView : public platform::SettingsDialogView {
  public:
    struct Message {
        std::string Text;
        std::string Title;
    };
    void SetCaption(const std::string& text) override { caption = text; }
    std::string Caption() override { return caption; }
    void Show() override { shown = true; }
    void Close() override { closed = true; }
    void ListClear() override {
        lines.clear();
        selected = -1;
    }
    using SettingsDialogView::ListAppend;
    void ListAppend(const std::string& line) override { lines.push_back(line); }
    void ListDelete(int index) override;
    int ListCount() override { return static_cast<int>(lines.size()); }
    int ListSelectedIndex() override { return selected; }
    void MessageBox(const std::string& text, const std::string& title) override {
        messages.push_back({text, title});
    }

    std::string caption;
    bool shown = false;
    bool closed = false;
    std::vector<std::string> lines;
    int selected = -1;
    std::vector<Message> messages;
};

class FakeControls : public platform::Controls {
  public:
    std::string MissingFormatNotice(const std::string& extension) override {
        return "no " + extension;
    }
    std::unique_ptr<platform::SettingsDialogView>
    CreateSettingsDialog(const platform::DialogDesign& design, platform::SettingsDialogEvents&,
                         int closeButtonIndex) override;

    FakeDialogView* view = nullptr;
    platform::DialogDesign design;
    int closeButton = -99;
    bool fail = false;
};

// The services the dialog uses, installed for the rig's lifetime; the picture list starts
// empty and the settings file is "C:\LumoraScr\LumoraScr.ini" in memory.
struct DialogRig {
    explicit DialogRig(char separator = '\\');
    ~DialogRig();
    void AddEntry(const std::string& folder, const std::string& file, const std::string& title);

    FakeProcess process;
    FakeText text;
    FakeControls controls;
    MemorySettingsFile settingsFile;
    FakePictures pictures; // the pictures that open, for the trial of a dropped format
    FakeDrawing drawing;

  private:
    std::unique_ptr<platform::ScopedServices> scope_;
};

} // namespace fakes
