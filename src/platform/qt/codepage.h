#pragma once
#include <string>
#include <string_view>

namespace platform::qt {

bool IsValidUtf8(std::string_view bytes);
// One line's bytes as UTF-8: as they are when they are valid UTF-8, else read as Shift-JIS
// (CP932). `lossless` (optional) turns false when neither reading gives the bytes back exactly;
// the text then carries U+FFFD marks.
std::string DecodeLine(std::string_view bytes, bool* lossless = nullptr);
// UTF-16 without its byte-order mark, and back; an unpaired surrogate reads as U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian);
// A text file's bytes as UTF-8: a byte-order mark names the encoding (UTF-8, UTF-16 LE or BE);
// without one, each line is decoded on its own (see DecodeLine). Line ends stay as they are.
std::string Utf8FromFileBytes(const std::string& bytes);

} // namespace platform::qt
