#pragma once
#include <chrono>
#include <cstdio>

#include "platform/clock.h"

namespace basComon {

// When LUMORA_TRACE_PASSES names a file, one line per loop pass goes there:
// "<start in ms since the loop began> <length in ms>", the length being the pass's own work
// without its wait. Written at the end; nothing is measured when the variable is unset.
// When LUMORA_TRACE_MARKS names a file, the show's steps go there as they happen, one line
// each: "<event> <the wall clock's reading at the pass, hh:mm:ss.mmm>", where event is "mark" (a
// frame is composed and its reveal begins) or "revealed" (its last tile is on the screen).
class PassTrace {
  public:
    PassTrace();
    ~PassTrace();
    PassTrace(const PassTrace&) = delete;
    PassTrace& operator=(const PassTrace&) = delete;

    bool On() const { return file_ != nullptr; }
    void BeginPass();
    void BeginWait();
    void EndWait();
    void EndPass();
    void Event(const char* event, const platform::LocalTime& at);

  private:
    using Clock = std::chrono::steady_clock;
    static double Ms(Clock::duration d);

    std::FILE* file_ = nullptr;
    std::FILE* events_ = nullptr;
    Clock::time_point origin_;
    Clock::time_point passStart_;
    Clock::time_point waitStart_;
    Clock::duration waited_{};
};

} // namespace basComon
