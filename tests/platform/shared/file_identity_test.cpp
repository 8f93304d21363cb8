#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/shared/platform_under_test.h"

namespace {

std::filesystem::path Path(const std::string& utf8) {
    return std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
}

// What a picture's file may go through between two looks, and whether the second look tells.
TEST(FileIdentities, TellAFileThatWasRewrittenReplacedOrDeletedFromOneLeftAlone) {
    const std::string dir = under_test::TempDirectory();
    ASSERT_FALSE(dir.empty());
    const char sep = dir.find('\\') != std::string::npos ? '\\' : '/';
    const struct {
        const char* Name;
        void (*Change)(const std::string& path, const std::string& dir, char sep);
        bool Same;
        bool ExistsAfter;
    } cases[] = {
        {"left alone", [](const std::string&, const std::string&, char) {}, true, true},
        {"rewritten in place",
         [](const std::string& p, const std::string&, char) {
             ASSERT_TRUE(under_test::WriteBytes(p, "another picture"));
         },
         false, true},
        {"replaced by a file renamed over it",
         [](const std::string& p, const std::string& d, char s) {
             const std::string other = d + s + "other.bmp";
             ASSERT_TRUE(under_test::WriteBytes(other, "BMpicture"));
             std::filesystem::rename(Path(other), Path(p));
         },
         false, true},
        {"deleted", [](const std::string& p, const std::string&, char) {
             std::filesystem::remove(Path(p));
         },
         false, false},
        {"a folder in its place",
         [](const std::string& p, const std::string&, char) {
             std::filesystem::remove(Path(p));
             std::filesystem::create_directory(Path(p));
         },
         false, false},
#ifndef _WIN32
        // Opening a pipe must not wait for a writer.
        {"a pipe in its place",
         [](const std::string& p, const std::string&, char) {
             std::filesystem::remove(Path(p));
             ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
         },
         false, false},
#endif
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir + sep + "picture" + std::to_string(++n) + ".bmp";
        ASSERT_TRUE(under_test::WriteBytes(path, "BMpicture"));
        const platform::FileIdentity before = under_test::Files().Of(path);
        ASSERT_TRUE(before.Exists);
        EXPECT_EQ(before.Size, 9u);
        c.Change(path, dir, sep);
        const platform::FileIdentity after = under_test::Files().Of(path);
        EXPECT_EQ(after == before, c.Same);
        EXPECT_EQ(after.Exists, c.ExistsAfter);
    }
    EXPECT_FALSE(under_test::Files().Of(dir + sep + "never.bmp").Exists);
    std::error_code ignored;
    std::filesystem::remove_all(Path(dir), ignored);
}

} // namespace
