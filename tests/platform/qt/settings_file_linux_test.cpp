// What only the Linux reader/writer does: Shift-JIS files, the exact lines it keeps, and the
// atomic replace that never leaves half a file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/qt/qt_services.h"
#include "platform/shared/platform_under_test.h"

namespace {

namespace fs = std::filesystem;

class LinuxSettingsFileTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(directory.empty()); }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    std::string Given(const std::string& bytes) {
        EXPECT_TRUE(under_test::WriteBytes(file, bytes));
        return file;
    }
    std::string Bytes() {
        std::string bytes;
        EXPECT_TRUE(under_test::ReadBytes(file, bytes));
        return bytes;
    }
    // Everything in the folder, so a test can see that no temporary file was left behind.
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.push_back(entry.path().filename().string());
        return names;
    }

    platform::SettingsFile& settings = platform::qt::SettingsFileService();
    std::string directory = under_test::TempDirectory();
    std::string file = directory + "/LumoraScr.ini";
};

TEST_F(LinuxSettingsFileTest, ShiftJisFileIsReadAndRewrittenAsUtf8) {
    // 写真 and 夏 in Shift-JIS; the trailing bytes 0x5C of 表 must not be taken for a separator.
    Given("[Image]\r\nCount=1\r\n1=True\t\x95\x5C\t\x8E\xCA\x90\x5E\\\x89\xC4\\\r\n");
    EXPECT_EQ(settings.Read("Image", "1", "", file), "True\t表\t写真\\夏\\");
    ASSERT_TRUE(settings.Write("Image", "Count", "1", file));
    EXPECT_EQ(Bytes(), "[Image]\r\nCount=1\r\n1=True\t表\t写真\\夏\\\r\n");
}

TEST_F(LinuxSettingsFileTest, OtherLinesStayByteForByte) {
    const struct {
        const char *name, *before, *section, *key, *value, *after;
    } cases[] = {
        {"new key before the blank lines that end its section",
         "[A]\r\nk=1\r\n\r\n\r\n[B]\r\nz=2\r\n", "A", "n", "2",
         "[A]\r\nk=1\r\nn=2\r\n\r\n\r\n[B]\r\nz=2\r\n"},
        {"comment and odd spacing kept", "  ; note \r\n[A]\r\n  Key  =  old  \r\nx = 1\r\n", "a",
         "KEY", "new", "  ; note \r\n[A]\r\nKey=new\r\nx = 1\r\n"},
        {"LF and CR line ends become CR LF", "[A]\nk=1\rj=2", "A", "j", "3",
         "[A]\r\nk=1\r\nj=3\r\n"},
        {"first of two same-named sections", "[A]\r\nk=1\r\n[a]\r\nj=2\r\n", "A", "j", "3",
         "[A]\r\nk=1\r\nj=3\r\n[a]\r\nj=2\r\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "2",
         "\xEF\xBB\xBF[A]\r\nk=2\r\n"},
        {"empty section gets the key right after its header", "[A]\r\n\r\n[B]\r\n", "A", "k", "v",
         "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        {"value written as given", "", "A", "k", " padded ", "[A]\r\nk= padded \r\n"},
    };
    for (const auto& c : cases) {
        Given(c.before);
        ASSERT_TRUE(settings.Write(c.section, c.key, c.value, file)) << c.name;
        EXPECT_EQ(Bytes(), c.after) << c.name;
    }
}

TEST_F(LinuxSettingsFileTest, UnchangedValueLeavesTheFileAsItIs) {
    Given("[A]\nk=1\n");
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_TRUE(settings.Write("a", "K", "1", file));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Bytes(), "[A]\nk=1\n");
}

TEST_F(LinuxSettingsFileTest, ChangesByOthersAreSeen) {
    // An old time of change, as for a file nobody has touched in a while, and one in the
    // future, as a wrong clock or a copied file gives: the same time for every version, and
    // the last two versions of the same size, written in place.
    for (const time_t when : {time_t{1000000000}, ::time(nullptr) + 86400 * 365})
        for (const char* value : {"1", "22", "3", "4"}) {
            Given(std::string("[A]\r\nk=") + value + "\r\n");
            const timespec times[2] = {{when, 0}, {when, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
            EXPECT_EQ(settings.Read("A", "k", "", file), value);
            EXPECT_EQ(settings.Read("A", "k", "", file), value);
            EXPECT_EQ(settings.ReadSection("A", file), (platform::SettingsLines{{"k", value}}));
        }
    Given("[A]\r\nk=4\r\n");
    EXPECT_EQ(settings.Read("A", "k", "", file), "4");
    ASSERT_TRUE(settings.Write("A", "k", "5", file));
    EXPECT_EQ(settings.Read("A", "k", "", file), "5");
}

TEST_F(LinuxSettingsFileTest, ReplaceKeepsModeAndLinks) {
    Given("[A]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const std::string link = directory + "/link.ini";
    ASSERT_EQ(::symlink("LumoraScr.ini", link.c_str()), 0);
    ASSERT_TRUE(settings.Write("A", "k", "2", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Bytes(), "[A]\r\nk=2\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(LinuxSettingsFileTest, ReadOnlyFileIsLeftAlone) {
    const std::string before = Given("[A]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_FALSE(settings.Write("A", "k", "2", file));
    EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"LumoraScr.ini"});
}

TEST_F(LinuxSettingsFileTest, FullDiskKeepsTheOldFile) {
    std::string big = "[A]\r\n";
    for (int i = 0; i < 200; ++i)
        big += "k" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
    Given(big);
    // A file size limit below the new file's size makes the write fail half way, as a full
    // disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = settings.Write("A", "new", "value", file) ||
                         settings.ReplaceSection("A", {{"new", "value"}, {"k0", big}}, file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Bytes(), big);
    EXPECT_EQ(Names(), std::vector<std::string>{"LumoraScr.ini"});
}

// Makes a folder refuse new files even to root, for as long as the guard lives.
class LockedFolder {
  public:
    explicit LockedFolder(const std::string& path) {
        ::chmod(path.c_str(), 0555);
        if (::access(path.c_str(), W_OK) != 0) {
            path_ = path;
            return;
        }
        fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            if (::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0) path_ = path;
        }
    }
    ~LockedFolder() {
        if (fd_ >= 0) {
            int flags = 0;
            if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd_);
        }
        if (!path_.empty()) ::chmod(path_.c_str(), 0755);
    }
    bool Locked() const { return !path_.empty(); }

  private:
    std::string path_;
    int fd_ = -1;
};

TEST_F(LinuxSettingsFileTest, UnwritableFolderKeepsTheOldFile) {
    Given("[A]\r\nk=1\r\n");
    {
        LockedFolder locked(directory);
        if (!locked.Locked()) GTEST_SKIP() << "this file system cannot lock a folder";
        EXPECT_FALSE(settings.Write("A", "k", "2", file));
        EXPECT_EQ(settings.Read("A", "k", "", file), "1");
    }
    EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"LumoraScr.ini"});
}

TEST_F(LinuxSettingsFileTest, PathThroughAFileFails) {
    Given("[A]\r\nk=1\r\n");
    EXPECT_FALSE(settings.Write("A", "k", "2", file + "/LumoraScr.ini"));
    EXPECT_EQ(settings.Read("A", "k", "d", file + "/LumoraScr.ini"), "d");
    EXPECT_FALSE(settings.Write("A", "k", "2", directory));
    EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

// Each line decodes on its own; a line neither encoding reads exactly, and that the write does
// not touch, goes back byte for byte; a UTF-16 file stays UTF-16.
TEST_F(LinuxSettingsFileTest, EncodingsAreReadLineByLineAndKept) {
    const struct {
        const char* name;
        std::string before;
        const char *key, *read, *after;
    } cases[] = {
        {"one Shift-JIS line among UTF-8 ones", "[A]\r\nk=写真\r\nj=\x95\x5C\r\n", "j", "表",
         "[A]\r\nk=写真\r\nj=表\r\nn=1\r\n"},
        {"a line neither reads", "[A]\r\nk=\x80\xFF\xA0\r\nj=写真\r\n", "j", "写真",
         "[A]\r\nk=\x80\xFF\xA0\r\nj=写真\r\nn=1\r\n"},
        {"a UTF-8 file with a byte-order mark and a bad line", "\xEF\xBB\xBF[A]\r\nk=\x95\x5C\r\n",
         "k", "表", "\xEF\xBB\xBF[A]\r\nk=表\r\nn=1\r\n"},
        {"an overlong UTF-8 form is not UTF-8", "[A]\r\nk=\xC0\xAF\r\n", "k", "ﾀｯ",
         "[A]\r\nk=ﾀｯ\r\nn=1\r\n"},
        {"a Shift-JIS character that converts back to another keeps its bytes",
         "[A]\r\nk=\x87\x90\r\n", "k", "≒", "[A]\r\nk=\x87\x90\r\nn=1\r\n"},
    };
    for (const auto& c : cases) {
        Given(c.before);
        EXPECT_EQ(settings.Read("A", c.key, "", file), c.read) << c.name;
        ASSERT_TRUE(settings.Write("A", "n", "1", file)) << c.name;
        EXPECT_EQ(Bytes(), c.after) << c.name;
    }
    for (const bool bigEndian : {false, true}) {
        Given(Utf16("[A]\r\nk=v\r\n", bigEndian));
        EXPECT_EQ(settings.Read("A", "k", "", file), "v");
        ASSERT_TRUE(settings.Write("A", "n", "1", file));
        EXPECT_EQ(Bytes(), Utf16("[A]\r\nk=v\r\nn=1\r\n", bigEndian));
        // Bytes that are not UTF-8 are stored as U+FFFD, one each, and take nothing after them.
        ASSERT_TRUE(settings.Write("A", "k", "\xF0", file));
        EXPECT_EQ(settings.Read("A", "k", "", file), "\uFFFD");
        EXPECT_EQ(settings.Read("A", "n", "", file), "1");
        // A character outside the first plane comes as a pair of surrogates.
        Given(Utf16("[A]\r\nk=", bigEndian) +
              std::string(bigEndian ? "\xD8\x3D\xDE\x00" : "\x3D\xD8\x00\xDE", 4) +
              Utf16("\r\n", bigEndian).substr(2));
        EXPECT_EQ(settings.Read("A", "k", "", file), "\U0001F600");
    }
    // A section name that is not UTF-8 is refused: its header would read back as Shift-JIS,
    // whose last character takes the ']' along.
    Given("[A]\r\nk=v\r\n");
    EXPECT_FALSE(settings.Write("S\x98", "k", "v", file));
    EXPECT_FALSE(settings.ReplaceSection("S\x98", {{"k", "v"}}, file));
    EXPECT_EQ(Bytes(), "[A]\r\nk=v\r\n");
}

// What saves cut off earlier left beside the file: a complete new file takes the name of a
// missing one, the newest when there are several; the next save removes them all.
TEST_F(LinuxSettingsFileTest, LeftoversOfCutOffSaves) {
    struct Left {
        const char* name;
        const char* value;
        mode_t mode; // no read bit: not yet complete
        time_t age;
    };
    const struct {
        const char* name;
        const char* file; // null: missing
        std::vector<Left> left;
        const char* read;
    } cases[] = {
        {"a complete one, the file missing", nullptr, {{"aB3dE9.tmp", "new", 0644, 0}}, "new"},
        {"the newest complete one",
         nullptr,
         {{"aaaaaa.tmp", "older", 0644, 100},
          {"bbbbbb.tmp", "newer", 0600, 10},
          {"cccccc.tmp", "unfinished", 0200, 0}},
         "newer"},
        {"an unfinished one is no list", nullptr, {{"cccccc.tmp", "unfinished", 0200, 0}}, "none"},
        {"the file there wins over any, an earlier version's too",
         "file",
         {{"aB3dE9.tmp", "new", 0644, 0}, {"Xy12Zw", "cut", 0644, 0}},
         "file"},
    };
    const auto Section = [](const char* value) { return std::string("[A]\r\nk=") + value + "\r\n"; };
    for (const auto& c : cases) {
        for (const std::string& name : Names())
            fs::remove(directory + "/" + name);
        if (c.file) Given(Section(c.file));
        for (const Left& left : c.left) {
            const std::string path = file + "." + left.name;
            ASSERT_TRUE(under_test::WriteBytes(path, Section(left.value)));
            const timespec times[2] = {{::time(nullptr) - left.age, 0},
                                       {::time(nullptr) - left.age, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            ASSERT_EQ(::chmod(path.c_str(), left.mode), 0);
        }
        EXPECT_EQ(settings.Read("A", "k", "none", file), c.read) << c.name;
        ASSERT_TRUE(settings.ReplaceSection("B", {{"x", "1"}}, file)) << c.name;
        EXPECT_EQ(Names(), std::vector<std::string>{"LumoraScr.ini"}) << c.name;
    }
}

// A pipe or a device in the file's place is never opened for reading (that would wait for a
// writer) nor replaced.
TEST_F(LinuxSettingsFileTest, OnlyRegularFilesAreRead) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    for (const std::string& path : {file, std::string("/dev/zero")}) {
        EXPECT_EQ(settings.Read("A", "k", "d", path), "d") << path;
        EXPECT_TRUE(settings.ReadSection("A", path).empty()) << path;
        EXPECT_FALSE(settings.ReplaceSection("A", {{"k", "v"}}, path)) << path;
        std::string bytes;
        EXPECT_FALSE(under_test::Process().ReadFile(path, bytes)) << path;
        EXPECT_FALSE(under_test::Process().FileExists(path)) << path;
    }
}

} // namespace
