#include <charconv>

#include "startup.h"

namespace basComon {

std::optional<std::uint32_t> IdleMilliseconds(const std::string& minutes, bool secondsForTests) {
    unsigned value = 0;
    const char* end = minutes.data() + minutes.size();
    const auto [stop, error] = std::from_chars(minutes.data(), end, value);
    if (minutes.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < 1 || value > MaxIdleMinutes) return std::nullopt;
    return value * (secondsForTests ? 1000u : 60000u);
}

std::string SessionLockName(const std::string& title) {
    static const char hex[] = "0123456789abcdef";
    std::string name = "window-";
    for (unsigned char c : title) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            name += static_cast<char>(c);
        } else if (c >= 'A' && c <= 'Z') {
            name += static_cast<char>(c - 'A' + 'a');
        } else {
            name += '%';
            name += hex[c >> 4];
            name += hex[c & 15];
        }
    }
    return name;
}

} // namespace basComon
