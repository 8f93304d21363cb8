#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drawing.h"
#include "screen.h"

namespace platform {

// A native window handle as a number (HWND on Windows, an X11 window id on Linux).
using NativeHandle = std::int64_t;

// A colour with the high bit set names a system colour by its index (0x80000002: the active
// title bar), as the window system resolves it.
constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<Color>(index); }

struct LabelDesign {
    std::string Caption;
    Color TextColor = 0;
    std::string FontFace; // UTF-8
    double FontPoints = 9;
    int FontWeight = 400;
    int CharSet = 1;
    Rect Bounds; // pixels at 96 dpi, in the client area
};

// A borderless window with labels on a plain background, painted in list order.
struct PreviewDesign {
    Size Client;
    Color Background = 0;
    std::vector<LabelDesign> Labels;
};

// The preview: a borderless window that is placed inside a host window.
class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;
    virtual void SetPosition(int left, int top) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Adds the child-window style and makes `host` the parent (results not examined). When
    // the host goes away the preview goes with it and the process can end.
    virtual void MakeChildOf(NativeHandle host) = 0;
    virtual void Show() = 0;
    virtual NativeHandle Handle() = 0;
};

class SaverEvents {
public:
    virtual ~SaverEvents() = default;
    virtual void OnKeyDown(int keyCode) = 0;
    virtual void OnMouseDown(int button) = 0;
    // Position in pixels of the window.
    virtual void OnMouseMove(double x, double y) = 0;
    // The system or the user asked the saver to end (WM_CLOSE, SIGTERM, SIGINT).
    virtual void OnCloseRequest() = 0;
};

// The saver's window. What is copied onto its device context reaches the screen and is kept,
// so that a repaint shows what was last copied there.
class SaverWindow {
public:
    virtual ~SaverWindow() = default;
    // Shows the window; a monitor window that hid itself when its monitor went is put back
    // over that monitor's rectangle.
    virtual void Show() = 0;
    // Covers the whole screen (own window) or the host window (hosted).
    virtual void Maximize() = 0;
    // Above all non-topmost windows, not moved, sized or activated.
    virtual void MakeTopmost() = 0;
    virtual Size ClientSize() = 0;
    virtual DeviceContext& Dc() = 0;
    // Shows `area` of `canvas` (window pixels, the same place on both) in the window. A window
    // may keep no copy of its own and repaint from `canvas` instead: the caller keeps `canvas`
    // alive, and drawn on by no other thread, until another canvas has been revealed over the
    // whole window or the window is closed (what is drawn on it meanwhile may show in a
    // repaint). By default a copy onto Dc().
    virtual void Reveal(Surface& canvas, const Rect& area) {
        Dc().CopyFrom(area.Left, area.Top, area.Width(), area.Height(), canvas.Dc(), area.Left,
                      area.Top);
    }
    // The window's title, as other programs looking for top-level windows see it.
    virtual void SetCaption(const std::string& caption) = 0;
    // Destroys the window (the saver has ended).
    virtual void Close() = 0;
};

class Windows {
public:
    virtual ~Windows() = default;
    // Is there a top-level window with exactly this title?
    virtual bool TopLevelWindowExists(const std::string& title) = 0;
    // Dispatches every pending window message, then returns.
    virtual void PumpMessages() = 0;
    // Returns when a window message arrives (it may already be dispatched) or after
    // `milliseconds`, whichever comes first.
    virtual void WaitForMessages(int milliseconds) = 0;
    // Serves the open windows until the last one is gone.
    virtual void RunMessageLoop() = 0;
    // Decrements (false) or increments (true) the pointer's display count.
    virtual void ShowCursor(bool show) = 0;
    // The root window of the display (0 where there is none).
    virtual NativeHandle RootWindow() = 0;
    virtual std::unique_ptr<PreviewWindow> CreatePreviewWindow(const PreviewDesign& design) = 0;
    // `host` 0: an own borderless window; otherwise draw into that existing window at its size,
    // leaving input and the pointer to its owner.
    virtual std::unique_ptr<SaverWindow> CreateSaverWindow(SaverEvents& events,
                                                           NativeHandle host) = 0;
    // An own borderless saver window for a monitor beside the primary one: Maximize makes it
    // cover exactly that monitor's rectangle. Its mouse positions are in virtual-screen pixels,
    // so that a window the system moves under a still pointer hears no move.
    // It leaves the process's termination signals to the primary window.
    virtual std::unique_ptr<SaverWindow> CreateMonitorWindow(SaverEvents& events,
                                                             const Monitor& monitor) = 0;
};

} // namespace platform
