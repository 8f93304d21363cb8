#pragma once
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/drawing.h"
#include "platform/file_identity.h"
#include "platform/pictures.h"
#include "platform/screen.h"

namespace basComon {

// One worker thread that makes the picture part of the next frame (cleared, loaded, fitted,
// drawn; no calendar) on a canvas of its own while the show goes on. The loop hands it a
// canvas and a path, and takes the canvas back at the mark. The thread starts with the first
// request and is stopped and joined when the preparer goes, at its next batch of rows.
//
// A picture is only kept when the file it was decoded from is the one at its path: the file's
// identity (platform::FileIdentity) is read before and after decoding and must not change, and
// at the mark `Recheck` has the worker read it once more, so that a picture deleted or replaced
// since it was prepared is never shown: it is prepared again (black when the file is gone).
// Preparers that make the same picture at once (one per monitor) share its decoding
// (SharedDecodes).
class PicturePreparer {
  public:
    PicturePreparer();
    ~PicturePreparer();
    PicturePreparer(const PicturePreparer&) = delete;
    PicturePreparer& operator=(const PicturePreparer&) = delete;

    // Starts preparing `path` (empty: none, a black canvas) on `canvas` for a `screen` of
    // `dpi` (without it: the primary screen's, read here on the caller's thread).
    // False, with `canvas` left with the caller, while an earlier request is not yet taken.
    bool Prepare(std::unique_ptr<platform::Surface>& canvas, std::string path,
                 platform::Size screen);
    bool Prepare(std::unique_ptr<platform::Surface>& canvas, std::string path,
                 platform::Size screen, double dpi);
    // True when a requested canvas is ready, waiting up to `milliseconds` for it.
    bool WaitReady(int milliseconds);
    // The prepared canvas, or null when none is ready.
    std::unique_ptr<platform::Surface> Take();
    // True while a request has not been taken back.
    bool Pending();
    // At the mark: a ready picture goes back to the worker, which reads its file's identity
    // again and prepares it anew when the file changed or went; the canvas is ready again
    // afterwards. Returns at once; nothing is read from the file system on the caller's thread.
    void Recheck();

  private:
    enum class State { Idle, Requested, Checking, Ready };
    void Run();
    // Makes the picture of `path_` on `canvas`, keeping the identity of the file it came from.
    void Make(platform::Surface& canvas, const std::string& path, platform::Size screen,
              double dpi);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    State state_ = State::Idle;
    bool quit_ = false;
    std::unique_ptr<platform::Surface> canvas_;
    std::string path_;
    platform::Size screen_;
    double dpi_ = 96;
    // The file the prepared picture was decoded from (case resolved; empty when nothing is to
    // be checked) and its identity then; written by the worker while a request runs.
    std::string madeFrom_;
    platform::FileIdentity madeIdentity_;
    platform::StopFlag stop_{false};
    std::thread thread_;
};

} // namespace basComon
