#include <algorithm>
#include <cstring>
#include <ctime>
#include <iconv.h>
#include <langinfo.h>

#include "codepage.h"
#include "qt_services.h"

namespace platform::qt {
namespace {

// The name in the locale's character set, as UTF-8; "" when it cannot be converted.
std::string ToUtf8(const char* text) {
    const char* codeset = nl_langinfo(CODESET);
    std::string bytes = text;
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii || (std::strcmp(codeset, "UTF-8") == 0 && IsValidUtf8(bytes))) return bytes;
    iconv_t cd = iconv_open("UTF-8", codeset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    char out[64];
    char* src = bytes.data();
    std::size_t left = bytes.size();
    char* dst = out;
    std::size_t room = sizeof out;
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) return {};
    return std::string(out, static_cast<std::size_t>(dst - out));
}

class PosixClock : public Clock {
  public:
    LocalTime Now() override {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        tm local{};
        localtime_r(&now.tv_sec, &local);
        return LocalTime{local.tm_year + 1900,
                         local.tm_mon + 1,
                         local.tm_mday,
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec,
                         static_cast<int>(now.tv_nsec / 1000000)};
    }

    void Sleep(int milliseconds) override {
        if (milliseconds <= 0) return;
        timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
        // A signal cuts the wait short, which "at most" allows.
        nanosleep(&wait, nullptr);
    }

    std::string AbbreviatedWeekdayName(int weekday) override {
        static const char* const english[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        if (weekday < 1 || weekday > 7) return {};
        const std::string name = ToUtf8(nl_langinfo(static_cast<nl_item>(ABDAY_1 + weekday - 1)));
        return name.empty() ? english[weekday - 1] : name;
    }
};

} // namespace

Clock& ClockService() {
    static PosixClock clock;
    return clock;
}

} // namespace platform::qt
