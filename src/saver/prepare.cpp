#include "prepare.h"

#include <chrono>

#include "compose.h"

namespace basComon {

PicturePreparer::~PicturePreparer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool PicturePreparer::Prepare(std::unique_ptr<platform::Surface>& canvas, std::string path,
                              platform::Size screen) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ != State::Idle || quit_ || !canvas) return false;
        canvas_ = std::move(canvas);
        path_ = std::move(path);
        screen_ = screen;
        state_ = State::Requested;
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

void PicturePreparer::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || state_ == State::Requested; });
        if (quit_) return;
        platform::Surface* canvas = canvas_.get();
        const std::string path = path_;
        const platform::Size screen = screen_;
        lock.unlock();
        {
            // The picture is released here, on this thread, before the canvas is handed over.
            std::unique_ptr<platform::Picture> picture;
            PreparePicture(*canvas, path, screen, picture, &stop_);
        }
        lock.lock();
        state_ = State::Ready;
        done_.notify_all();
    }
}

} // namespace basComon
