// Any bytes as the program's command line (and, after a NUL byte, as XSCREENSAVER_WINDOW):
// the mode switch, the number reader, the preview's window and the hosted saver's window give
// the results the start-up documents.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "startup/startup.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}

std::int32_t ExpectedHandle(double value) {
    if (!std::isfinite(value)) return 0;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(rounded);
}

std::vector<std::string> SplitOnSpaces(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    platform::StartInfo start;
    start.CommandLine = input.substr(0, nul);
    start.Arguments = SplitOnSpaces(start.CommandLine);
    if (nul != std::string::npos) start.SaverWindowEnvironment = input.substr(nul + 1);
    const std::string& line = start.CommandLine;

    // The switch: the first two characters after leading blanks, ASCII letters upper-cased.
    const std::string mode = basComon::SwitchOf(line);
    const std::size_t first = line.find_first_not_of(' ');
    Require(first != std::string::npos || mode.empty());
    if (first != std::string::npos) {
        Require(!mode.empty() && line.size() - first >= mode.size());
        for (std::size_t i = 0; i < mode.size(); ++i) {
            Require(!IsAsciiLower(mode[i]));
            const char c = line[first + i];
            Require(mode[i] == (IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c));
        }
    }

    // The number reader: not-a-number only for a radix number too wide to hold, and radix
    // numbers are whole 32-bit values.
    const double value = basComon::Val(line);
    const std::size_t sign = line.find_first_not_of(" \t\n");
    const bool radix = sign != std::string::npos && line[sign] == '&';
    Require(!std::isnan(value) || radix);
    if (radix && !std::isnan(value))
        Require(value == std::trunc(value) && value >= std::numeric_limits<std::int32_t>::min() &&
                value <= std::numeric_limits<std::int32_t>::max());

    // The preview's window: the number after the first three characters, rounded half to
    // even, 0 outside the 32-bit range. (UTF-8 continuation bytes belong to the third.)
    std::size_t tail = 0;
    while (tail < line.size() && (static_cast<unsigned char>(line[tail]) & 0xC0) == 0x80)
        ++tail;
    const std::int32_t handle = ExpectedHandle(basComon::Val(line.substr(tail)));
    Require(basComon::PreviewHandleOf("/p " + line) == handle);
    Require(basComon::PreviewHandleOf("/c:" + line) == handle);
    basComon::PreviewHandleOf(line);

    // The hosted saver's window: 0, the root, or a 32-bit window id that was given.
    const platform::NativeHandle root = 0x1A3;
    const platform::NativeHandle host = basComon::HostedSaverWindow(start, root);
    Require(host >= 0 && host <= 0xFFFFFFFF);
    if (host != 0 && host != root)
        Require(!start.SaverWindowEnvironment.empty() ||
                line.find("window-id") != std::string::npos);
    return 0;
}
