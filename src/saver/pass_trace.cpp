#include "pass_trace.h"

#include <cstdlib>

namespace basComon {

PassTrace::PassTrace() {
    const char* events = std::getenv("LUMORA_TRACE_MARKS");
    if (events && *events) events_ = std::fopen(events, "w");
    const char* path = std::getenv("LUMORA_TRACE_PASSES");
    if (!path || !*path) return;
    file_ = std::fopen(path, "w");
    if (!file_) return;
    // Lines stay in memory until the end, so that tracing adds no writes to the passes.
    static char buffer[1 << 20];
    std::setvbuf(file_, buffer, _IOFBF, sizeof buffer);
    origin_ = Clock::now();
}

PassTrace::~PassTrace() {
    if (file_) std::fclose(file_);
    if (events_) std::fclose(events_);
}

void PassTrace::Event(const char* event, const platform::LocalTime& at) {
    if (!events_) return;
    // Written at once: whoever waits on the file sees the step as it happens.
    std::fprintf(events_, "%s %02d:%02d:%02d.%03d\n", event, at.Hour, at.Minute, at.Second,
                 at.Milliseconds);
    std::fflush(events_);
}

double PassTrace::Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void PassTrace::BeginPass() {
    if (!file_) return;
    passStart_ = Clock::now();
    waited_ = {};
}

void PassTrace::BeginWait() {
    if (file_) waitStart_ = Clock::now();
}

void PassTrace::EndWait() {
    if (file_) waited_ += Clock::now() - waitStart_;
}

void PassTrace::EndPass() {
    if (!file_) return;
    const Clock::time_point end = Clock::now();
    std::fprintf(file_, "%.3f %.3f\n", Ms(passStart_ - origin_), Ms(end - passStart_ - waited_));
}

} // namespace basComon
