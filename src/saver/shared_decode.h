#pragma once
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/drawing.h"
#include "platform/file_identity.h"
#include "platform/pictures.h"
#include "platform/screen.h"

namespace basComon {

// One decoding of a picture for every preparer that shows it at the same mark (one per monitor).
// The first preparer to ask decodes the file at the largest size any of them fits it to; each
// one's picture is then copied from that, or averaged down from it when its fitted size is
// smaller. With a single preparer nothing is shared: it decodes straight onto its canvas.
class SharedDecodes {
  public:
    enum class Result {
        NotShared, // the caller decodes it itself
        Made,      // the canvas holds the picture (black where it could not be decoded)
    };

    static SharedDecodes& Instance();

    // A preparer that exists (`who`); the screen and density of a request it starts (or of its
    // latest one, when it checks its picture again); and the end of that request.
    void Join(const void* who);
    void Leave(const void* who);
    void Request(const void* who, platform::Size screen, double dpi);
    void Request(const void* who);
    void Idle(const void* who);

    // Clears `canvas` and draws the picture at `path` (case resolved) whose file had `identity`
    // just before, fitted to `screen` at `dpi`, from the shared decoding. `stop` ends a wait or
    // a decoding early.
    Result Draw(const void* who, platform::Surface& canvas, const std::string& path,
                const platform::FileIdentity& identity, platform::Size screen, double dpi,
                const platform::StopFlag* stop);

  private:
    struct Member {
        platform::Size screen;
        double dpi = 96;
        bool known = false;
        bool busy = false; // a request of it runs
    };
    struct Decoded {
        enum class State { Decoding, Ready, Failed, Stale };
        std::string path;
        platform::FileIdentity identity;
        State state = State::Decoding;
        int pictureW = 0, pictureH = 0;         // the picture's own size
        std::unique_ptr<platform::Surface> pixels; // at the largest fitted size
        std::map<const void*, Member> waiting;  // the preparers it is for, until each took it
        std::mutex reading; // one preparer at a time reads `pixels` (a system image may not
                            // be read from two threads at once)
    };
    void Decode(Decoded& decoded, const platform::StopFlag* stop);
    void Took(const std::shared_ptr<Decoded>& decoded, const void* who);
    void Forget(const void* who);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<const void*, Member> members_;
    std::shared_ptr<Decoded> current_;
};

} // namespace basComon
