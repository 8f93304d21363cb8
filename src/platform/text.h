#pragma once
#include <string>

namespace platform {

// Conversions at the edge between the program's UTF-8 text and the system's.
class Text {
  public:
    virtual ~Text() = default;
    // Lower case of every letter, not only ASCII.
    virtual std::string ToLower(const std::string& utf8) = 0;
    // False when the system's 8-bit code page cannot carry the text unchanged.
    virtual bool FitsCodePage(const std::string& utf8) = 0;
    // The separator between folders of a path ('\\' on Windows, '/' elsewhere).
    virtual char PathSeparator() = 0;
    // A text file's bytes as UTF-8, line ends kept: a byte-order mark names the encoding
    // (UTF-8, UTF-16 LE or BE); without one each line is read as UTF-8 when it is valid UTF-8,
    // else in the system's code page (Shift-JIS, CP932, where the system has none).
    virtual std::string FileTextToUtf8(const std::string& bytes) = 0;
};

} // namespace platform
