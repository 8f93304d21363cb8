#pragma once
#include <string>
#include <string_view>

namespace platform {

// Text of a file without a byte-order mark, one line at a time through `decodeLine`: a file
// written by two programs may hold lines in two encodings. CR LF, LF and CR all end a line, and
// the line ends themselves are kept as they are.
template <typename DecodeLine>
std::string DecodeEachLine(std::string_view bytes, DecodeLine decodeLine) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        out += decodeLine(bytes.substr(start, end - start));
        start = end;
        while (start < bytes.size() && (bytes[start] == '\r' || bytes[start] == '\n'))
            out += bytes[start++];
    }
    return out;
}

} // namespace platform
