// What only the Windows settings file does: paths the code page cannot carry, and a save that
// meets a read-only or locked file.
#include <gtest/gtest.h>

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

} // namespace
