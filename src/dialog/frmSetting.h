#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

// The settings dialog, in which the picture list is built by dropping files on it.
class frmSetting : public platform::SettingsDialogEvents {
  public:
    // Creates the dialog hidden and runs Form_Load.
    frmSetting();
    ~frmSetting() override;
    frmSetting(const frmSetting&) = delete;
    frmSetting& operator=(const frmSetting&) = delete;

    void SetCaption(const std::string& caption);
    void Show();
    // False once the dialog has been closed (or could not be created).
    bool IsOpen() const { return open_; }

    void Form_Load();
    void BTN_Click(std::int16_t Index);
    // Takes the dropped files and folders into the list; `files` is empty when the drop carried
    // none. Says once what was refused, and once which formats this system cannot show.
    void lstFile_OLEDragDrop(const std::optional<std::vector<std::string>>& files);

    void OnButton(int index) override;
    void OnDrop(const std::optional<std::vector<std::string>>& files) override {
        lstFile_OLEDragDrop(files);
    }

    // The dialog's make-up, in pixels at 96 dpi.
    static platform::DialogDesign Design();

    // The button indexes of BTN.
    static constexpr std::int16_t RegisterButton = 0;
    static constexpr std::int16_t CloseButton = 1;
    static constexpr std::int16_t DeleteButton = 2;

  private:
    void DeleteSelectedImage();
    void Unload();
    void Tell(const std::string& text);

    std::unique_ptr<platform::SettingsDialogView> view_;
    bool open_ = false;
};
