#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drawing.h"
#include "screen.h"

namespace platform {

enum class ControlKind { GroupBox, Label, ListBox, Button };

struct ControlDesign {
    ControlKind Kind = ControlKind::Label;
    std::string Name;    // e.g. "lstFile", "BTN"
    int Index = -1;      // index within a control array, -1 when not in one
    std::string Text;    // UTF-8 caption
    std::string ToolTip; // UTF-8, may be empty
    Rect Bounds;         // pixels at 96 dpi, relative to the parent
    int TabIndex = 0;
    std::string Parent;  // name of the containing group box, empty for the client area
};

struct DialogDesign {
    std::string Caption;
    Size Client; // pixels at 96 dpi
    std::vector<ControlDesign> Controls;
    std::string FocusOnOpen; // "BTN:0"-style "Name:Index" of the control focused when shown
};

class SettingsDialogEvents {
public:
    virtual ~SettingsDialogEvents() = default;
    virtual void OnButton(int index) = 0;
    // A drop released over the list: the dropped files in order, or nothing when the drop
    // carried no file list.
    virtual void OnDrop(const std::optional<std::vector<std::string>>& files) = 0;
};

class SettingsDialogView {
public:
    virtual ~SettingsDialogView() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string Caption() = 0;
    virtual void Show() = 0;
    // Unloads the dialog; with no other window the process then ends.
    virtual void Close() = 0;
    virtual void ListClear() = 0;
    virtual void ListAppend(const std::string& line) = 0;
    // Appends many lines at once, redrawing the list once.
    virtual void ListAppend(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) ListAppend(line);
    }
    virtual void ListDelete(int index) = 0;
    virtual int ListCount() = 0;
    // Index of the selected line, -1 when none.
    virtual int ListSelectedIndex() = 0;
    // Modal message box: OK button, information icon.
    virtual void MessageBox(const std::string& text, const std::string& title) = 0;
};

class Controls {
public:
    virtual ~Controls() = default;
    // Builds the dialog hidden; the window's close box acts like a "close" button whose
    // index the events receive as `closeButtonIndex`.
    virtual std::unique_ptr<SettingsDialogView> CreateSettingsDialog(const DialogDesign& design,
                                                                     SettingsDialogEvents& events,
                                                                     int closeButtonIndex) = 0;
    // What to tell a user whose system has no decoder for pictures with this extension (lower
    // case, no dot), in the interface's language: that the system cannot show them and, where
    // it can, how to add what shows them. Empty for the dialog's plain statement.
    virtual std::string MissingFormatNotice(const std::string& extension) {
        (void)extension;
        return {};
    }
};

} // namespace platform
