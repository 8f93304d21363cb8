#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "startup.h"

namespace basComon {
namespace {

bool IsIgnoredBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The text without the blanks that the number reader skips wherever they stand.
std::string WithoutBlanks(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!IsIgnoredBlank(c)) out += c;
    return out;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// "&H..." and "&O...": a short number is a 16-bit value, a longer one a 32-bit value, each
// read as two's complement; anything wider cannot be held and reads as not-a-number.
double RadixNumber(const std::string& s, std::size_t i, int radix) {
    std::uint64_t value = 0;
    bool any = false;
    for (; i < s.size() && DigitValue(s[i]) < radix; ++i) {
        value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(DigitValue(s[i]));
        any = true;
        if (value > 0xFFFFFFFFull) return std::numeric_limits<double>::quiet_NaN();
    }
    if (!any) return 0;
    if (value <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Byte offset of the `n`th character (0-based) of UTF-8 text, or its size.
std::size_t ByteOffsetOfCharacter(const std::string& text, std::size_t n) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen++ == n) return i;
    }
    return text.size();
}

// A window id as XScreenSaver writes it: "0x..." hexadecimal or decimal; 0 when unreadable.
platform::NativeHandle WindowIdOf(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 16) return 0;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = DigitValue(c);
        if (d >= (hex ? 16 : 10)) return 0;
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    }
    return value <= 0xFFFFFFFFull ? static_cast<platform::NativeHandle>(value) : 0;
}

} // namespace

bool IsDevFolder(const std::string& appDirectory) {
    std::string head = appDirectory.substr(0, 8);
    for (char& c : head)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return head == "D:\\TOVIK";
}

std::string SwitchOf(const std::string& commandLine) {
    const std::size_t start = commandLine.find_first_not_of(' ');
    if (start == std::string::npos) return "";
    const std::string rest = commandLine.substr(start);
    std::string head = rest.substr(0, ByteOffsetOfCharacter(rest, 2));
    for (char& c : head)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return head;
}

double Val(const std::string& text) {
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char r = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (r == 'H') return RadixNumber(s, 2, 16);
        if (r == 'O') return RadixNumber(s, 2, 8);
        return 0;
    }
    std::size_t i = 0;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number += s[i++];
    bool digits = false;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, digits = true)
        number += s[i];
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, digits = true)
            number += s[i];
    }
    if (!digits) return 0;
    if (i < s.size() && std::strchr("eEdD", s[i])) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        const std::size_t firstDigit = j;
        for (; j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])); ++j)
            exponent += s[j];
        if (j > firstDigit) number += exponent;
    }
    // Read the same way whatever the user's locale says a decimal point is.
    if (number[0] == '+') number.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large is infinite, which no handle can take.
        if (number.find("e-") != std::string::npos) return 0;
        return number[0] == '-' ? -std::numeric_limits<double>::infinity()
                                : std::numeric_limits<double>::infinity();
    }
    return end == number.data() ? 0 : value;
}

std::int32_t PreviewHandleOf(const std::string& commandLine) {
    const double value = Val(commandLine.substr(ByteOffsetOfCharacter(commandLine, 3)));
    if (!std::isfinite(value)) return 0;
    const double rounded = std::nearbyint(value); // the default rounding: halves to even
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(rounded);
}

std::string DirectoryArgument(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "--directory" || arguments[i] == "-directory") return arguments[i + 1];
    return {};
}

platform::NativeHandle HostedSaverWindow(const platform::StartInfo& start,
                                         platform::NativeHandle root) {
    const platform::NativeHandle fromEnvironment = WindowIdOf(start.SaverWindowEnvironment);
    const auto& args = start.Arguments;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--window-id" || args[i] == "-window-id")
            return i + 1 < args.size() ? WindowIdOf(args[i + 1]) : 0;
        if (args[i] == "--root" || args[i] == "-root")
            return fromEnvironment ? fromEnvironment : root;
    }
    const std::string mode = SwitchOf(start.CommandLine);
    return (mode.empty() || mode == "/S") ? fromEnvironment : 0;
}

} // namespace basComon
