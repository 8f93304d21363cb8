#pragma once
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/drawing.h"
#include "platform/pictures.h"
#include "platform/screen.h"

namespace basComon {

// One worker thread that makes the picture part of the next frame (cleared, loaded, fitted,
// drawn; no calendar) on a canvas of its own while the show goes on. The loop hands it a
// canvas and a path, and takes the canvas back at the mark. The thread starts with the first
// request and is stopped and joined when the preparer goes, at its next batch of rows.
class PicturePreparer {
  public:
    PicturePreparer() = default;
    ~PicturePreparer();
    PicturePreparer(const PicturePreparer&) = delete;
    PicturePreparer& operator=(const PicturePreparer&) = delete;

    // Starts preparing `path` (empty: none, a black canvas) on `canvas` for a `screen`.
    // False, with `canvas` left with the caller, while an earlier request is not yet taken.
    bool Prepare(std::unique_ptr<platform::Surface>& canvas, std::string path,
                 platform::Size screen);
    // True when a requested canvas is ready, waiting up to `milliseconds` for it.
    bool WaitReady(int milliseconds);
    // The prepared canvas, or null when none is ready.
    std::unique_ptr<platform::Surface> Take();
    // True while a request has not been taken back.
    bool Pending();

  private:
    enum class State { Idle, Requested, Ready };
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    State state_ = State::Idle;
    bool quit_ = false;
    std::unique_ptr<platform::Surface> canvas_;
    std::string path_;
    platform::Size screen_;
    platform::StopFlag stop_{false};
    std::thread thread_;
};

} // namespace basComon
