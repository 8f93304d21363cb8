// Any bytes as the holiday rule file beside the program: loaded the way the program loads it,
// then the holidays of a few years listed. Every rule kept is one the calendar can use, every
// listed day is a real date inside the asked range, in order, once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "calendar/calendar.h"
#include "fakes/fakes.h"
#include "settings/settings.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckLines(const Date& from, const Date& to) {
    const std::vector<std::string> lines = basComon::HolidayLines(from, to);
    Date previous = basComon::AddDays(from, -1);
    for (const std::string& line : lines) {
        Require(line.size() >= 11 && line[10] == ',');
        const auto date = basComon::ParseIsoDate(line.substr(0, 10));
        Require(date && basComon::IsValidDate(*date));
        Require(previous < *date && *date <= to);
        const int weekday = basComon::Weekday(*date);
        Require(weekday >= 1 && weekday <= 7);
        previous = *date;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fakes::FakeProcess process;
    static fakes::FakeText text;
    static platform::ScopedServices services([] {
        platform::Services s;
        s.process = &process;
        s.text = &text;
        return s;
    }());
    process.files[basComon::FindHolidayPath()] =
        std::string(reinterpret_cast<const char*>(data), size);
    basComon::LoadHolidays();

    Require(basComon::HolidayCount >= 0 &&
            basComon::HolidayCount <= basComon::MaxListEntries &&
            static_cast<std::size_t>(basComon::HolidayCount) + 1 == basComon::HolidayList.size());
    for (std::size_t i = 1; i < basComon::HolidayList.size(); ++i) {
        const HolidayEntry& entry = basComon::HolidayList[i];
        Require(entry.Month >= 1 && entry.Month <= 12);
        Require(entry.Kind != "FIX" || (entry.Day >= 1 && entry.Day <= 31));
    }

    // A year under each of the calendar's rule sets, and the first and last days it knows.
    CheckLines({1985, 1, 1}, {1985, 12, 31});
    CheckLines({2026, 1, 1}, {2026, 12, 31});
    CheckLines({1, 1, 1}, {1, 1, 31});
    CheckLines({9999, 12, 1}, {9999, 12, 31});
    return 0;
}
