#include "codepage.h"
#include "platform/text_lines.h"

#include <cerrno>
#include <iconv.h>

namespace platform::qt {
namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

// Converts with iconv; false when some byte could not be converted (it is then replaced).
bool Convert(const char* to, const char* from, std::string_view bytes, std::string& out) {
    out.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out.assign(bytes);
        return false;
    }
    std::string in(bytes);
    char* src = in.data();
    std::size_t left = in.size();
    bool exact = true;
    char buffer[4096];
    while (left > 0) {
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            exact = false;
            out += Replacement;
            ++src;
            --left;
        }
    }
    iconv_close(cd);
    return exact;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUnit(std::string& out, unsigned unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        int extra;
        unsigned min;
        unsigned cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= n) return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string DecodeLine(std::string_view bytes, bool* lossless) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string text, back;
    const bool exact = Convert("UTF-8", "CP932", bytes, text) &&
                       Convert("CP932", "UTF-8", text, back) && back == bytes;
    if (lossless && !exact) *lossless = false;
    return text;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const unsigned a = static_cast<unsigned char>(bytes[i]),
                       b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const unsigned next = unit(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    if (bytes.size() % 2) out += Replacement;
    return out;
}

std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2
                                       : (c & 0xF8) == 0xF0 ? 3 : -1;
        // A byte that starts no valid sequence is one U+FFFD: it never takes the bytes after it
        // (the line break that ends its line) along.
        if (extra < 0 || !IsValidUtf8(utf8.substr(i, static_cast<std::size_t>(extra) + 1))) {
            AppendUnit(out, 0xFFFD, bigEndian);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += static_cast<std::size_t>(extra) + 1;
        if (cp >= 0x10000) {
            AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
            AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
        } else {
            AppendUnit(out, static_cast<unsigned>(cp), bigEndian);
        }
    }
    return out;
}

std::string Utf8FromFileBytes(const std::string& bytes) {
    const std::string_view view = bytes;
    if (view.starts_with("\xFF\xFE")) return Utf16ToUtf8(view.substr(2), false);
    if (view.starts_with("\xFE\xFF")) return Utf16ToUtf8(view.substr(2), true);
    if (view.starts_with("\xEF\xBB\xBF")) {
        std::string text;
        Convert("UTF-8", "UTF-8", view.substr(3), text);
        return text;
    }
    return DecodeEachLine(view, [](std::string_view line) { return DecodeLine(line); });
}

} // namespace platform::qt
