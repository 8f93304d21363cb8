// A JPEG's colour profile, joined from its APP2 segments by the header reader, and which
// profiles are taken for sRGB.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/colour.h"
#include "platform/win32/picture_header.h"

namespace {

struct Segment {
    int number;
    int count;
    std::string bytes;
};

// A JPEG's start, the profile's segments as APP2 markers, then a baseline frame header.
std::string JpegWith(const std::vector<Segment>& segments) {
    std::string jpeg = "\xFF\xD8";
    for (const Segment& s : segments) {
        const std::string body = std::string("ICC_PROFILE", 12) + char(s.number) + char(s.count) + s.bytes;
        const std::size_t length = body.size() + 2;
        jpeg += "\xFF\xE2";
        jpeg += char(length >> 8);
        jpeg += char(length & 0xFF);
        jpeg += body;
    }
    jpeg += std::string("\xFF\xC0\x00\x0B\x08\x00\x30\x00\x40\x01\x01\x11\x00", 13);
    return jpeg;
}

TEST(PictureHeader, JoinsAJpegsProfileInSequenceOrder) {
    const struct {
        const char* what;
        std::vector<Segment> segments;
        std::string profile;
    } cases[] = {
        {"one segment", {{1, 1, "abc"}}, "abc"},
        {"stored out of order", {{2, 3, "def"}, {3, 3, "ghi"}, {1, 3, "abc"}}, "abcdefghi"},
        {"one missing", {{1, 3, "abc"}, {3, 3, "ghi"}}, ""},
        {"one twice", {{1, 2, "abc"}, {1, 2, "abc"}, {2, 2, "def"}}, ""},
        {"counts that disagree", {{1, 2, "abc"}, {2, 3, "def"}}, ""},
        {"number zero", {{0, 1, "abc"}}, ""},
        {"no profile", {}, ""},
    };
    for (const auto& c : cases) {
        const std::string jpeg = JpegWith(c.segments);
        const platform::win32::PictureHeader h =
            platform::win32::ReadPictureHeader(jpeg, jpeg.size());
        EXPECT_EQ(h.kind, platform::win32::PictureHeader::Kind::Read) << c.what;
        EXPECT_EQ(h.width, 64u) << c.what;
        EXPECT_EQ(h.icc, c.profile) << c.what;
    }
}

} // namespace

// Profiles that are sRGB in all but name are left alone; near relatives are not. The profiles
// come from the machine's colour packages, read through Wine's Z: drive.
TEST(PictureColour, TellsAnSrgbProfileFromItsRelatives) {
    const struct {
        const char* file;
        bool srgb;
    } cases[] = {
        {"Z:\\usr\\share\\color\\icc\\colord\\sRGB.icc", true},
        {"Z:\\usr\\share\\color\\icc\\colord\\Rec709.icc", false}, // sRGB's primaries, another curve
        {"Z:\\usr\\share\\color\\icc\\colord\\AdobeRGB1998.icc", false},
        {"Z:\\usr\\share\\color\\argyll\\ref\\DisplayP3.icm", false},
    };
    for (const auto& c : cases) {
        std::ifstream in(c.file, std::ios::binary);
        if (!in) GTEST_SKIP() << "no " << c.file;
        const std::string icc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(platform::win32::IccIsSrgb(icc), c.srgb) << c.file;
    }
}
