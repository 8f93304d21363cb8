#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace basComon {
class OtherMonitors;
}

// The saver's window: it covers the screen, runs the slide show and ends on input.
class frmMain : public platform::SaverEvents {
  public:
    // The title of an own saver window: a program start finding it open is refused.
    static constexpr const char* Title = "LumoraScreenSaver";

    // Loads the window: creates the native saver window (host 0: an own full-screen window;
    // otherwise the window the saver is to draw into) and runs Form_Load.
    explicit frmMain(platform::NativeHandle host = 0);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void Show();
    // Runs the slide show until input (or a close request) ends it; then the end sequence.
    void StartScreenSaver();

    void Form_Load();
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    void Form_KeyDown(int KeyCode, int Shift);
    void Form_MouseMove(int Button, int Shift, float X, float Y);

    // Shuffles entries 1 to the last of `Tiles` in place with the process's random numbers.
    static void ShuffleTiles(std::vector<std::int16_t>& Tiles);

    void OnKeyDown(int keyCode) override { Form_KeyDown(keyCode, 0); }
    void OnMouseDown(int button) override { Form_MouseDown(button, 0, 0, 0); }
    void OnMouseMove(double x, double y) override;
    void OnCloseRequest() override;

    bool Running() const { return Running_; }
    std::int32_t LastX() const { return LastX_; }
    std::int32_t LastY() const { return LastY_; }
    std::int32_t ScreenWidthPx() const { return ScreenWidthPx_; }
    std::int32_t ScreenHeightPx() const { return ScreenHeightPx_; }
    // Another program's window hosts the saver: input and the pointer are left to it.
    bool Hosted() const { return host_ != 0; }

  private:
    void SetFullScreen();
    void ComposeNextImage(std::int16_t& ImageIndex);
    // Moves `ImageIndex` to the next entry of the list (unchanged for an empty list) and
    // returns that entry's path ("" for none).
    std::string NextImage(std::int16_t& ImageIndex) const;
    // Milliseconds from `now` to the next ten-second mark (a wait that ends a little early only
    // costs one more pass).
    static int UntilNextMark(const platform::LocalTime& now);
    // The longest wait between reveals before the wall clock is read again.
    static constexpr int MaxIdleWaitMs = 1000;
    // Copies tile `tile` (1 to 48) of the canvas onto the window (and the others' onto theirs).
    void CopyTile(int tile);
    void EndSequence();
    // The pointer is ours to hide only in an own window outside the developer's machine.
    bool OwnsPointer() const;

    platform::NativeHandle host_ = 0;
    std::unique_ptr<platform::SaverWindow> window_;
    // The windows on the monitors beside the primary one (an own window only).
    std::unique_ptr<basComon::OtherMonitors> others_;
    // The canvas each frame is composed on and the reveal copies from.
    std::unique_ptr<platform::Surface> picPreview;
    // The picture of a frame composed in the loop.
    std::unique_ptr<platform::Picture> picLoad;
    // The canvas the next picture is prepared on while the current frame is revealed.
    std::unique_ptr<platform::Surface> picNext;
    // What the frame of the current mark changed on the canvas, when not all of it: the reveal
    // copies only that.
    std::optional<platform::Rect> markArea_;
    // The canvas holds a frame without a picture (black with the calendar) made in the loop.
    bool blankShown_ = false;
    // The first row the day row and the clock drawn last could touch.
    int calendarTop_ = 0;

    bool Running_ = false;
    // A close request stays in force even when it comes before the show has started.
    bool closeRequested_ = false;
    std::int32_t LastX_ = -9999;
    std::int32_t LastY_ = -9999;
    std::int32_t ScreenWidthPx_ = 0;
    std::int32_t ScreenHeightPx_ = 0;
};
