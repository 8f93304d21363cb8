#pragma once
// Installs a holiday table for one test and puts the previous one back afterwards.
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace calendar_test {

class ScopedHolidayTable {
  public:
    explicit ScopedHolidayTable(const std::vector<HolidayEntry>& entries)
        : savedList_(basComon::HolidayList), savedCount_(basComon::HolidayCount) {
        basComon::HolidayList.assign(1, HolidayEntry{});
        basComon::HolidayList.insert(basComon::HolidayList.end(), entries.begin(), entries.end());
        basComon::HolidayCount = static_cast<std::int16_t>(entries.size());
    }
    ~ScopedHolidayTable() {
        basComon::HolidayList = std::move(savedList_);
        basComon::HolidayCount = savedCount_;
    }
    ScopedHolidayTable(const ScopedHolidayTable&) = delete;
    ScopedHolidayTable& operator=(const ScopedHolidayTable&) = delete;

  private:
    std::vector<HolidayEntry> savedList_;
    std::int16_t savedCount_;
};

} // namespace calendar_test
