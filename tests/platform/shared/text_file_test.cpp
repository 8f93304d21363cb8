// A rule file's bytes as text on whichever system this binary is built for.
#include <gtest/gtest.h>

#include "platform/shared/platform_under_test.h"

namespace {

TEST(TextFile, TheMarkNamesTheEncodingElseEachLineDecodesOnItsOwn) {
    const struct {
        const char* name;
        std::string bytes, text;
    } cases[] = {
        {"UTF-8 with a mark and LF ends",
         "\xEF\xBB\xBF"
         "FIX,1,1,元日\nFIX,2,11,建国\n",
         "FIX,1,1,元日\nFIX,2,11,建国\n"},
        {"UTF-8 without a mark", "FIX,1,1,元日\r\n", "FIX,1,1,元日\r\n"},
        {"a Shift-JIS line among UTF-8 ones", "FIX,1,1,元日\r\nFIX,5,3,\x89\xe6\x91\x9c\r\n",
         "FIX,1,1,元日\r\nFIX,5,3,画像\r\n"},
        {"CR ends kept", "FIX,1,1,\x89\xe6\x91\x9c\rFIX,5,3,元日\r",
         "FIX,1,1,画像\rFIX,5,3,元日\r"},
        {"UTF-16 LE",
         std::string("\xFF\xFE"
                     "F\0I\0X\0,\0\xE5\x65\r\0\n\0",
                     16),
         "FIX,日\r\n"},
        {"UTF-16 BE", std::string("\xFE\xFF\0F\0I\0X\0,\x65\xE5", 12), "FIX,日"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(under_test::Text().FileTextToUtf8(c.bytes), c.text) << c.name;
}

} // namespace
