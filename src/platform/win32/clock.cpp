#include "windows_api.h"

#include "codepage.h"
#include "win32_services.h"

namespace platform::win32 {
namespace {

class Win32Clock : public Clock {
  public:
    LocalTime Now() override {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    }

    void Sleep(int milliseconds) override {
        if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
    }

    std::string AbbreviatedWeekdayName(int weekday) override {
        if (weekday < 1 || weekday > 7) return {};
        // The locale numbers its days from Monday (1) to Sunday (7).
        const LCTYPE item = LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>((weekday + 5) % 7);
        wchar_t name[80] = {};
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, item, name, 80) <= 0) return {};
        return WideToUtf8(name);
    }
};

} // namespace

Clock& ClockService() {
    static Win32Clock clock;
    return clock;
}

} // namespace platform::win32
