#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"
#include "prepare.h"

namespace basComon {

// The monitors beside the primary one. Each has its own saver window over its rectangle, the
// canvas its frames are composed on, a spare canvas and a preparer of its own, so that its
// picture is made ahead like the primary one's. Every monitor shows the same picture at the
// same mark, fitted to its own size, with its own day row and clock, revealed in the same tile
// order. Input on any of the windows reaches `events`, pointer positions in pixels of the
// primary window (virtual-screen pixels measured from the primary monitor's corner).
class OtherMonitors {
  public:
    explicit OtherMonitors(platform::SaverEvents& events);
    ~OtherMonitors();
    OtherMonitors(const OtherMonitors&) = delete;
    OtherMonitors& operator=(const OtherMonitors&) = delete;

    // Brings the windows in line with `monitors` (primary first): a monitor that is new gets a
    // window, shown and covering its rectangle (above other windows when `topmost`); one that
    // is gone loses it; one that moved or changed size gets a new one. Rectangles the primary or
    // an earlier monitor already covers are left out, and so are empty ones.
    void Follow(const std::vector<platform::Monitor>& monitors, bool topmost);
    // Starts preparing `path` (empty: none) on every spare canvas that has no request yet.
    void Prepare(const std::string& path);
    // At the mark: every ready picture is checked against its file again (PicturePreparer).
    void Recheck();
    // True when every requested picture is ready, waiting up to `milliseconds` in all.
    bool WaitReady(int milliseconds);
    // At the mark: each prepared canvas becomes the one revealed (a monitor whose picture was
    // not prepared composes `path` now) and gets the day row and the clock.
    void TakeFrames(const std::string& path);
    // Copies tile `tile` (1 to 48, TileArea of each monitor's size) onto each window.
    void CopyTile(int tile);
    // Closes every window.
    void CloseAll();
    std::size_t Count() const { return shows_.size(); }

  private:
    struct Show;
    std::unique_ptr<Show> Open(const platform::Monitor& monitor, bool topmost);

    platform::SaverEvents& events_;
    platform::Monitor primary_;
    std::vector<std::unique_ptr<Show>> shows_;
};

} // namespace basComon
