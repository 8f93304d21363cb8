// What only the Windows settings file does: paths the code page cannot carry, and a save that
// meets a read-only or locked file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/shared/platform_under_test.h"
#include "platform/win32/codepage.h"
#include "platform/win32/windows_api.h"

namespace {

namespace fs = std::filesystem;

class Win32SettingsFileTest : public testing::Test {
  protected:
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(Path(directory)))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        fs::remove_all(Path(directory), ignored);
    }
    static fs::path Path(const std::string& utf8) {
        return fs::path(platform::win32::Utf8ToWide(utf8));
    }
    std::string Bytes(const std::string& path) {
        std::string bytes;
        EXPECT_TRUE(under_test::ReadBytes(path, bytes)) << path;
        return bytes;
    }
    std::size_t Files() {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(Path(directory)), fs::directory_iterator()));
    }

    platform::SettingsFile& settings = under_test::SettingsFile();
    std::string directory = under_test::TempDirectory();
};

// "café" has no 'é' in code page 932: a best-fit conversion would make it "cafe", another
// folder, whose file would then be read and overwritten.
TEST_F(Win32SettingsFileTest, APathTheCodePageCannotCarryNamesNoOtherFile) {
    const std::string before = "[Image]\r\nCount=1\r\n1=other folder's\r\n";
    ASSERT_TRUE(CreateDirectoryW(Path(directory + "\\cafe").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Path(directory + "\\caf\xC3\xA9").c_str(), nullptr));
    const std::string other = directory + "\\cafe\\LumoraScr.ini";
    ASSERT_TRUE(under_test::WriteBytes(other, before));
    const std::string file = directory + "\\caf\xC3\xA9\\LumoraScr.ini";
    EXPECT_EQ(settings.Read("Image", "Count", "0", file), "0");
    EXPECT_TRUE(settings.ReadSection("Image", file).empty());
    EXPECT_FALSE(settings.Write("Image", "Count", "0", file));
    EXPECT_FALSE(settings.ReplaceSection("Image", {{"Count", "0"}}, file));
    EXPECT_EQ(Bytes(other), before);
    EXPECT_FALSE(fs::exists(Path(file)));
    EXPECT_FALSE(under_test::Text().FitsCodePage(file));
}

TEST_F(Win32SettingsFileTest, AFileThatCannotBeReplacedStaysWhole) {
    const std::string before = "[Image]\r\nCount=1\r\n1=keep\r\n";
    const std::string file = directory + "\\LumoraScr.ini";
    const std::wstring wide = platform::win32::Utf8ToWide(file);
    for (const bool readOnly : {true, false}) {
        ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL) || readOnly);
        ASSERT_TRUE(under_test::WriteBytes(file, before));
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (readOnly)
            ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
        else // open elsewhere without sharing delete, as an editor or a virus scanner may
            lock = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_FALSE(
            settings.ReplaceSection("Image", {{"Count", "2"}, {"1", "a"}, {"2", "b"}}, file))
            << readOnly;
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        EXPECT_EQ(Bytes(file), before) << readOnly;
        EXPECT_EQ(Files(), 1u) << "no temporary or backup file is left";
        EXPECT_EQ(under_test::Process().IsFileWritable(file), !readOnly);
    }
}

// What saves cut off earlier left beside the file. An earlier version kept the old file as
// `.<id>.old` while the new one (`.<id>.tmp`) took its name: when the file is missing, the
// newest of such a pair takes it back. The next save removes them all.
TEST_F(Win32SettingsFileTest, LeftoversOfCutOffSaves) {
    struct Left {
        const wchar_t* name;
        const char* value;
        int age; // seconds
    };
    const struct {
        const char* name;
        const char* file; // null: missing
        std::vector<Left> left;
        const char* read;
    } cases[] = {
        {"cut off between the two renames", nullptr,
         {{L"32.old", "old", 100}, {L"32.tmp", "new", 10}}, "new"},
        {"cut off after the old file was moved aside", nullptr, {{L"32.old", "old", 100}}, "old"},
        {"a new file without its old one may be unfinished", nullptr, {{L"32.tmp", "new", 10}},
         "none"},
        {"the file there wins over any",
         "file",
         {{L"0123456789abcdef.tmp", "new", 10}, {L"7.old", "old", 100}},
         "file"},
    };
    const std::string file = directory + "\\LumoraScr.ini";
    const auto Section = [](const char* value) { return std::string("[A]\r\nk=") + value + "\r\n"; };
    for (const auto& c : cases) {
        fs::remove_all(Path(directory));
        fs::create_directory(Path(directory));
        if (c.file) {
            ASSERT_TRUE(under_test::WriteBytes(file, Section(c.file)));
        }
        for (const Left& left : c.left) {
            const std::wstring path = platform::win32::Utf8ToWide(file) + L"." + left.name;
            ASSERT_TRUE(under_test::WriteBytes(platform::win32::WideToUtf8(path), Section(left.value)));
            HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(handle, INVALID_HANDLE_VALUE);
            FILETIME now{};
            GetSystemTimeAsFileTime(&now);
            ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
            time.QuadPart -= 10000000ull * static_cast<unsigned>(left.age);
            const FILETIME written{time.LowPart, time.HighPart};
            ASSERT_TRUE(SetFileTime(handle, nullptr, nullptr, &written));
            CloseHandle(handle);
        }
        EXPECT_EQ(settings.Read("A", "k", "none", file), c.read) << c.name;
        EXPECT_TRUE(settings.ReplaceSection("B", {{"x", "1"}}, file)) << c.name;
        EXPECT_EQ(Files(), 1u) << c.name;
    }
}

// Run by tests/e2e/concurrent_saves.sh in two processes at once, each with its own tag, both
// saving to the file LUMORA_SHARED_SAVE names; skipped otherwise.
TEST(Win32SharedSave, EverySaveSucceeds) {
    const char* file = std::getenv("LUMORA_SHARED_SAVE");
    const char* tag = std::getenv("LUMORA_SAVE_TAG");
    if (!file || !tag) GTEST_SKIP() << "run by the concurrent-saves check";
    constexpr int Count = 2000;
    platform::SettingsLines lines{{"Count", std::to_string(Count)}};
    for (int i = 1; i <= Count; ++i)
        lines.emplace_back(std::to_string(i), std::string(tag) + " " + std::to_string(i));
    for (int round = 0; round < 40; ++round)
        EXPECT_TRUE(under_test::SettingsFile().ReplaceSection("Image", lines, file)) << round;
}

} // namespace
