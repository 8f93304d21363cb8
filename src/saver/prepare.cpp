#include "prepare.h"

#include <chrono>

#include "compose.h"
#include "platform/services.h"
#include "shared_decode.h"

namespace basComon {
namespace {

// A file that changes under every one of these decodings is not shown at all.
constexpr int MakeAttempts = 3;

} // namespace

PicturePreparer::PicturePreparer() {
    SharedDecodes::Instance().Join(this);
}

PicturePreparer::~PicturePreparer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    SharedDecodes::Instance().Leave(this);
}

bool PicturePreparer::Prepare(std::unique_ptr<platform::Surface>& canvas, std::string path,
                              platform::Size screen) {
    double dpi = 96;
    try {
        if (platform::Current().screen) dpi = platform::Current().screen->Dpi();
    } catch (...) {
    }
    return Prepare(canvas, std::move(path), screen, dpi);
}

bool PicturePreparer::Prepare(std::unique_ptr<platform::Surface>& canvas, std::string path,
                              platform::Size screen, double dpi) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ != State::Idle || quit_ || !canvas) return false;
        canvas_ = std::move(canvas);
        path_ = std::move(path);
        screen_ = screen;
        dpi_ = dpi;
        state_ = State::Requested;
        SharedDecodes::Instance().Request(this, screen, dpi);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
    return true;
}

bool PicturePreparer::WaitReady(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (state_ == State::Idle) return false;
    return done_.wait_for(lock, std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0),
                          [this] { return state_ == State::Ready; });
}

std::unique_ptr<platform::Surface> PicturePreparer::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready) return nullptr;
    state_ = State::Idle;
    return std::move(canvas_);
}

bool PicturePreparer::Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_ != State::Idle;
}

void PicturePreparer::Recheck() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ != State::Ready || madeFrom_.empty()) return;
        state_ = State::Checking;
        SharedDecodes::Instance().Request(this);
    }
    wake_.notify_one();
}

void PicturePreparer::Make(platform::Surface& canvas, const std::string& path,
                           platform::Size screen, double dpi) {
    platform::Services& sys = platform::Current();
    madeFrom_.clear();
    madeIdentity_ = {};
    // The picture is released here, on this thread, before the canvas is handed over.
    std::unique_ptr<platform::Picture> picture;
    if (path.empty() || !sys.files) {
        PreparePicture(canvas, path, screen, picture, &stop_, dpi);
        return;
    }
    std::string resolved = path;
    try {
        resolved = sys.process->ResolvePathCase(path);
    } catch (...) {
    }
    // The decoders open the file by its path themselves. The identity read from an open handle
    // before decoding and again after it tells whether what they read was that one file: the
    // same identity twice means no write, replacement or deletion came in between.
    for (int attempt = 0; attempt < MakeAttempts && !stop_; ++attempt) {
        const platform::FileIdentity before = sys.files->Of(resolved);
        if (!before.Exists) break;
        if (SharedDecodes::Instance().Draw(this, canvas, resolved, before, screen, dpi, &stop_) ==
            SharedDecodes::Result::NotShared)
            PreparePicture(canvas, resolved, screen, picture, &stop_, dpi);
        picture.reset();
        if (sys.files->Of(resolved) == before) {
            madeFrom_ = resolved;
            madeIdentity_ = before;
            return;
        }
    }
    // Gone, or never the same file twice: a black canvas, never a picture the file no longer is.
    PreparePicture(canvas, std::string(), screen, picture, &stop_, dpi);
}

void PicturePreparer::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] {
            return quit_ || state_ == State::Requested || state_ == State::Checking;
        });
        if (quit_) return;
        const bool check = state_ == State::Checking;
        platform::Surface* canvas = canvas_.get();
        const std::string path = path_;
        const platform::Size screen = screen_;
        const double dpi = dpi_;
        lock.unlock();
        // A check reads the identity of the file the ready picture came from; a file that is
        // still the same is not decoded again.
        if (!check || platform::Current().files->Of(madeFrom_) != madeIdentity_)
            Make(*canvas, path, screen, dpi);
        SharedDecodes::Instance().Idle(this);
        lock.lock();
        state_ = State::Ready;
        done_.notify_all();
    }
}

} // namespace basComon
