#pragma once
// What the files of the Qt platform share among themselves; nothing outside src/platform/qt
// includes this.
#include <QFont>
#include <QImage>
#include <QRect>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/services.h"

using Display = struct _XDisplay;

namespace platform::qt {

// `text` in `font` and `colour` drawn alone on a clear image of `size` (its box) with `flags`, as
// QPainter::drawText draws it, kept for the next drawing of the same; a null image for a font
// small enough for Qt's own glyph cache (then drawing it directly costs as little).
QImage DrawnText(const QFont& font, const QString& text, QSize size, int flags,
                 const QColor& colour);
// Whether DrawnText keeps anything (for a benchmark's peer); it does unless told otherwise.
void KeepDrawnText(bool keep);

// A device context that draws on a QImage it does not own, GDI style: a selected font, a
// background mode and a text colour. `changed` hears of every rectangle that was drawn into.
class ImageDc : public DeviceContext {
  public:
    explicit ImageDc(QImage& image, std::function<void(const QRect&)> changed = {});
    ~ImageDc() override;
    FontHandle CreateFontIndirect(const LogFont& font) override;
    FontHandle SelectFont(FontHandle font) override;
    bool DeleteFont(FontHandle font) override;
    void SetBkMode(BkMode mode) override;
    void SetTextColor(Color color) override;
    void DrawText(const std::string& text, const Rect& rect, unsigned format) override;
    void CopyFrom(int x, int y, int width, int height, DeviceContext& source, int sx,
                  int sy) override;
    void Fill(const Rect& rect, Color color) override;
    bool ReadPixels(const Rect& rect, std::vector<std::uint32_t>& pixels) override;
    bool WritePixels(const Rect& rect, const std::vector<std::uint32_t>& pixels) override;
    QImage& Image() { return image_; }

  private:
    QImage& image_;
    std::function<void(const QRect&)> changed_;
    FontHandle selected_;
    BkMode bkMode_ = BkMode::Opaque;
    Color textColor_ = 0;
};

// The font a logical-font record asks for: the face mapped to an installed one, the cell
// height, the weight, italic, and a horizontal stretch that gives the asked character width.
QFont FontFromLogFont(const LogFont& font);
// An installed face standing in for a Windows face name (the Japanese gothic faces).
QString MappedFace(const std::string& face);
// Makes sure the application's font can show Japanese text.
void EnsureJapaneseUiFont();

// The X display: Qt's own connection when Qt runs on xcb, otherwise one opened here; null
// when there is no X server.
Display* XDisplay();
// True when windows show Format_RGB32 images with PutImage: Qt on X11, a 24-bit true-colour
// screen.
bool PutsImagesDirectly();
// Puts `area` of `image` at the same place in X11 window `window` (window pixels).
void PutImage(NativeHandle window, const QImage& image, const QRect& area);
// Fills `area` of X11 window `window` with `colour`.
void FillWindow(NativeHandle window, const QRect& area, QRgb colour);
// Runs X calls with errors caught instead of ending the process; true when none occurred.
bool WithoutXErrors(Display* display, const std::function<void()>& calls);
// Size of an X window, or nothing when it does not exist.
std::optional<Size> XWindowSize(NativeHandle window);
bool XTopLevelWindowExists(const std::string& title);
// On Wayland: shown top-level windows hold their title's session lock (from now on), and the
// title lookup asks for it. Nothing on X11.
void HoldTitleLocks();
bool TitleLockHeld(const std::string& title);
// The display's "Xft.dpi" resource, the density desktops set for their scaling; nothing when
// it is not set or there is no X server.
std::optional<double> XftDpi();

// The size the saver draws at when another program's window hosts it (nothing: the screen).
void SetHostedSaverSize(std::optional<Size> size);

// The windows that keep the program alive; the message loop ends when the last one is gone.
void WindowOpened();
void WindowGone();
int OpenWindows();
// Ends RunMessageLoop() early, whatever is still open.
void QuitMessageLoop();

// SIGTERM and SIGINT reach `handler` from the event loop while it is installed.
void SetTerminationHandler(std::function<void()> handler);

std::unique_ptr<SaverWindow> CreateOwnSaverWindow(SaverEvents& events);
std::unique_ptr<SaverWindow> CreateMonitorSaverWindow(SaverEvents& events, const Monitor& monitor);
std::unique_ptr<SaverWindow> CreateHostedSaverWindow(SaverEvents& events, NativeHandle host);
std::unique_ptr<PreviewWindow> CreateQtPreviewWindow(const PreviewDesign& design);

} // namespace platform::qt
