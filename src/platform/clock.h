#pragma once
#include <cstdint>
#include <string>

namespace platform {

// A local wall-clock reading, as the system reports it.
struct LocalTime {
    int Year = 2000;
    int Month = 1;  // 1..12
    int Day = 1;    // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Milliseconds = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
    // Waits at most `milliseconds`.
    virtual void Sleep(int milliseconds) = 0;
    // The locale's abbreviated weekday name in UTF-8; weekday 1 = Sunday .. 7 = Saturday.
    virtual std::string AbbreviatedWeekdayName(int weekday) = 0;
};

} // namespace platform
