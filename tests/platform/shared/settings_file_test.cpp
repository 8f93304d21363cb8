// The settings file as the program sees it, on whichever system this binary is built for: the
// same cases run against the Windows functions (under Wine) and against the Linux reader/writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/shared/platform_under_test.h"

namespace {

class SettingsFileTest : public testing::Test {
  protected:
    void SetUp() override {
        directory_ = under_test::TempDirectory();
        ASSERT_FALSE(directory_.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(Path(directory_), ignored);
    }
    static std::filesystem::path Path(const std::string& utf8) {
        return std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
    }
    char Separator() const { return directory_.find('\\') != std::string::npos ? '\\' : '/'; }
    std::string File(const std::string& name) const { return directory_ + Separator() + name; }
    std::string Given(const std::string& bytes, const std::string& name = "LumoraScr.ini") {
        const std::string path = File(name);
        EXPECT_TRUE(under_test::WriteBytes(path, bytes));
        return path;
    }
    std::string Bytes(const std::string& path) {
        std::string bytes;
        EXPECT_TRUE(under_test::ReadBytes(path, bytes)) << path;
        return bytes;
    }
    // The file's lines without blank ones: Windows and Wine differ in how they keep those.
    std::vector<std::string> Lines(const std::string& path) {
        const std::string bytes = Bytes(path);
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < bytes.size()) {
            const auto end = bytes.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
            if (end == std::string::npos) break;
            const std::string line = bytes.substr(start, end - start);
            EXPECT_EQ(line.find('\n'), std::string::npos) << "no bare LF";
            if (!line.empty()) lines.push_back(line);
            start = end + 2;
        }
        return lines;
    }
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& defaultValue, const std::string& file) {
        return settings.Read(section, key, defaultValue, file);
    }
    bool Write(const std::string& section, const std::string& key, const std::string& value,
               const std::string& file) {
        return settings.Write(section, key, value, file);
    }

    platform::SettingsFile& settings = under_test::SettingsFile();

  private:
    std::string directory_;
};

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGiveTheDefault) {
    const std::string file = Given("[Image]\r\nCount=2\r\n[Other]\r\nKey=v\r\n");
    const std::string missing = File("none.ini");
    const struct {
        const char *section, *key, *defaultValue;
        const std::string& file;
        const char* expected;
    } cases[] = {
        {"Image", "Count", "0", missing, "0"},
        {"Image", "Count", "", missing, ""},
        {"Nothing", "Count", "0", file, "0"},
        {"Nothing", "Count", "", file, ""},
        {"Image", "Missing", "0", file, "0"},
        {"Image", "Missing", "", file, ""},
        {"Image", "Key", "x", file, "x"},
        {"Image", "Missing", "d  ", file, "d"},
        {"Image", "Missing", "  d e  ", file, "  d e"},
        {"Image", "Missing", "d\t ", file, "d\t"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.section, c.key, c.defaultValue, c.file), c.expected)
            << c.section << "/" << c.key;
}

TEST_F(SettingsFileTest, ValuesAsStored) {
    const std::string file = Given("[ImAgE]\r\n"
                                   "cOuNt=2\r\n"
                                   "Empty=\r\n"
                                   "Blank=   \r\n"
                                   "   Spaced   =   a  b   \r\n"
                                   "Tabbed=\tt\t\r\n"
                                   "Q1=\"quoted\"\r\n"
                                   "Q2='single'\r\n"
                                   "Q3=\" inside \"\r\n"
                                   "Q4=\"unmatched\r\n"
                                   "Q5=\"a\"b\"\r\n"
                                   "Q6=\"\"\r\n"
                                   "Q7='mixed\"\r\n"
                                   "Equals=a=b\r\n"
                                   "NoValue\r\n"
                                   "Twice=first\r\n"
                                   "Twice=second\r\n"
                                   "Last=\r\n"
                                   "[  Other  ]\r\n"
                                   "Key=other\r\n"
                                   "[image]\r\n"
                                   "Later=hidden\r\n"
                                   "[Tail]\r\n"
                                   "End=no line end");
    const struct {
        const char *section, *key, *expected;
    } cases[] = {
        {"Image", "Count", "2"},         {"IMAGE", "count", "2"},
        {"image", "COUNT", "2"},         {"Image", "Empty", ""},
        {"Image", "Blank", ""},          {"Image", "spaced", "a  b"},
        {" Image ", " Spaced ", "a  b"}, {"Image", "Tabbed", "t"},
        {"Image", "Q1", "quoted"},       {"Image", "Q2", "single"},
        {"Image", "Q3", " inside "},     {"Image", "Q4", "\"unmatched"},
        {"Image", "Q5", "a\"b"},         {"Image", "Q6", ""},
        {"Image", "Q7", "'mixed\""},     {"Image", "Equals", "a=b"},
        {"Image", "NoValue", "dflt"},    {"Image", "Twice", "first"},
        {"Image", "Later", "dflt"},      {"Other", "Key", "other"},
        {"Tail", "End", "no line end"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.section, c.key, "dflt", file), c.expected) << c.section << "/" << c.key;
}

TEST_F(SettingsFileTest, LongValuesComeBackWhole) {
    const std::string file = File("LumoraScr.ini");
    for (std::size_t length : {254u, 255u, 256u, 300u, 1023u, 5000u}) {
        std::string value;
        for (std::size_t i = 0; i < length; ++i)
            value += static_cast<char>('a' + i % 26);
        ASSERT_TRUE(Write("Image", "1", value, file)) << length;
        EXPECT_EQ(Read("Image", "1", "", file), value) << length;
    }
    const std::string stored = std::string(5000, 'x') + "\tend";
    const std::string given = Given("[Image]\r\n1=" + stored + "\r\n", "given.ini");
    EXPECT_EQ(Read("Image", "1", "", given), stored);
}

TEST_F(SettingsFileTest, NewFileHoldsTheSectionAndKey) {
    const std::string file = File("LumoraScr.ini");
    ASSERT_TRUE(Write("Image", "Count", "0", file));
    EXPECT_EQ(Bytes(file), "[Image]\r\nCount=0\r\n");
}

TEST_F(SettingsFileTest, RewritingAKeyKeepsOneLine) {
    const std::string file = Given("[Image]\r\nCount=5\r\n1=a\r\n");
    ASSERT_TRUE(Write("image", "COUNT", "3", file));
    ASSERT_TRUE(Write("Image", "1", "b", file));
    EXPECT_EQ(Lines(file), (std::vector<std::string>{"[Image]", "Count=3", "1=b"}));
    EXPECT_EQ(Read("Image", "Count", "0", file), "3");
}

TEST_F(SettingsFileTest, NewKeyEndsItsSectionAndTheRestIsKept) {
    const std::string file = Given("; written by hand\r\n"
                                   "[Image]\r\n"
                                   "Count=1\r\n"
                                   "1=first\r\n"
                                   "\r\n"
                                   "[Other]\r\n"
                                   "x=1\r\n"
                                   "; about y\r\n"
                                   "y=2\r\n");
    ASSERT_TRUE(Write("Image", "2", "second", file));
    ASSERT_TRUE(Write("Other", "z", "3", file));
    ASSERT_TRUE(Write("New", "k", "v", file));
    EXPECT_EQ(Lines(file), (std::vector<std::string>{"; written by hand", "[Image]", "Count=1",
                                                     "1=first", "2=second", "[Other]", "x=1",
                                                     "; about y", "y=2", "z=3", "[New]", "k=v"}));
    EXPECT_EQ(Read("Other", "y", "", file), "2");
    EXPECT_EQ(Read("Image", "2", "", file), "second");
}

TEST_F(SettingsFileTest, JapaneseTextRoundTrip) {
    const std::string file = File("LumoraScr.ini");
    const std::string line = "True\t海辺.jpg\tc:\\写真\\夏\\\t海辺.jpg\tc:\\写真\\夏\\";
    ASSERT_TRUE(Write("Image", "1", line, file));
    EXPECT_EQ(Read("Image", "1", "", file), line);
    ASSERT_TRUE(Write("Image", "2", "ソ表", file)); // second bytes that are '\' in Shift-JIS
    EXPECT_EQ(Read("Image", "2", "", file), "ソ表");
#ifdef _WIN32
    const std::string stored = "2=\x83\x5C\x95\x5C\r\n"; // the system's code page, 932
#else
    const std::string stored = "2=\xE3\x82\xBD\xE8\xA1\xA8\r\n"; // UTF-8
#endif
    EXPECT_NE(Bytes(file).find(stored), std::string::npos);
}

TEST_F(SettingsFileTest, FailedWritesSayFalseAndChangeNothing) {
    EXPECT_FALSE(Write("Image", "Count", "1", File("no folder") + Separator() + "LumoraScr.ini"));
    const std::string before = "[Image]\r\nCount=1\r\n";
    const std::string file = Given(before);
    EXPECT_FALSE(Write("Image", "1", "two\r\n2=lines", file));
    EXPECT_FALSE(Write("Image", "1", "lf\nonly", file));
    EXPECT_FALSE(Write("Ima\nge", "1", "x", file));
#ifdef _WIN32
    EXPECT_FALSE(Write("Image", "1", "caf\xC3\xA9.jpg", file)); // no 'é' in code page 932
#endif
    EXPECT_EQ(Bytes(file), before);
}

// The whole-section read gives each key's value exactly as the key read does.
TEST_F(SettingsFileTest, SectionReadMatchesTheKeyReads) {
    const std::string file = Given("[Other]\r\nk=x\r\n"
                                   "[ImAgE]\r\n"
                                   "cOuNt=3\r\n"
                                   "   1   =   a  b   \r\n"
                                   "2=\t\"quoted\" \r\n"
                                   "3='single'\r\n"
                                   "Q=\"unmatched\r\n"
                                   "Empty=\r\n"
                                   "Equals=a=b\r\n"
                                   "NoValue\r\n"
                                   "Twice=first\r\n"
                                   "Twice=second\r\n"
                                   "[image]\r\nLater=hidden\r\n");
    std::vector<std::string> keys;
    for (const auto& [key, value] : settings.ReadSection("Image", file)) {
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue; // the first wins
        keys.push_back(key);
        EXPECT_EQ(value, Read("Image", key, "dflt", file)) << key;
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"cOuNt", "1", "2", "3", "Q", "Empty", "Equals", "Twice"}));
    EXPECT_TRUE(settings.ReadSection("Image", File("none.ini")).empty());
    EXPECT_TRUE(settings.ReadSection("Nothing", file).empty());
}

TEST_F(SettingsFileTest, ReplacingASectionKeepsTheOthers) {
    const struct {
        const char *name, *before;
        platform::SettingsLines lines;
        std::vector<std::string> after;
    } cases[] = {
        {"no file yet", nullptr, {{"Count", "1"}, {"1", "a"}}, {"[Image]", "Count=1", "1=a"}},
        {"keys above the new count go",
         "[Before]\r\nb=1\r\n[Image]\r\nCount=3\r\n1=a\r\n2=b\r\n3=c\r\n\r\n[After]\r\nz=2\r\n",
         {{"Count", "1"}, {"1", "x"}},
         {"[Before]", "b=1", "[Image]", "Count=1", "1=x", "[After]", "z=2"}},
        {"a section added at the end",
         "[Other]\r\nk=v\r\n",
         {{"Count", "0"}},
         {"[Other]", "k=v", "[Image]", "Count=0"}},
    };
    for (const auto& c : cases) {
        const std::string file = File(std::string(c.name) + ".ini");
        if (c.before) Given(c.before, std::string(c.name) + ".ini");
        ASSERT_TRUE(settings.ReplaceSection("Image", c.lines, file)) << c.name;
        EXPECT_EQ(Lines(file), c.after) << c.name;
        EXPECT_EQ(settings.ReadSection("Image", file), c.lines) << c.name;
    }
}

// Every line outside the replaced section stays as it was, byte for byte.
TEST_F(SettingsFileTest, ReplacingASectionKeepsTheOtherLinesByteForByte) {
    const struct {
        const char *name, *before, *after;
    } cases[] = {
        {"blank lines around it",
         "[Before]\r\nb=1\r\n\r\n\r\n[Image]\r\nCount=2\r\n1=a\r\n2=b\r\n\r\n  \r\n[After]\r\nz=2\r\n\r\n",
         "[Before]\r\nb=1\r\n\r\n\r\n[Image]\r\nCount=1\r\n1=x\r\n\r\n  \r\n[After]\r\nz=2\r\n\r\n"},
        {"lines no code page reads",
         "[Before]\r\nb=\x80\xFF\xA0\r\n[Image]\r\nCount=0\r\n[After]\r\n\xFE\xFE\xFE\r\n",
         "[Before]\r\nb=\x80\xFF\xA0\r\n[Image]\r\nCount=1\r\n1=x\r\n[After]\r\n\xFE\xFE\xFE\r\n"},
    };
    for (const auto& c : cases) {
        const std::string file = Given(c.before);
        ASSERT_TRUE(settings.ReplaceSection("Image", {{"Count", "1"}, {"1", "x"}}, file)) << c.name;
        EXPECT_EQ(Bytes(file), c.after) << c.name;
    }
}

// All or nothing: whatever the system cannot store whole fails the save and leaves the file.
TEST_F(SettingsFileTest, ASectionThatCannotBeStoredWholeChangesNothing) {
    const std::string before = "[Image]\r\nCount=1\r\n1=keep\r\n";
    const std::string file = Given(before);
    const platform::SettingsLines refused[] = {
        {{"Count", "2"}, {"1", "a"}, {"2", "two\r\n3=lines"}},
        {{"Count", "1"}, {"1=", "a"}},
#ifdef _WIN32
        {{"Count", "1"}, {"1", "caf\xC3\xA9.jpg"}}, // no 'é' in code page 932
#endif
    };
    for (const auto& lines : refused) {
        EXPECT_FALSE(settings.ReplaceSection("Image", lines, file));
        EXPECT_EQ(Bytes(file), before);
    }
    EXPECT_FALSE(settings.ReplaceSection("Image", {{"Count", "0"}},
                                         File("no folder") + Separator() + "LumoraScr.ini"));
    // Some systems cut a very long value while saying it was stored: then nothing is stored.
    const std::string huge(70 * 1024, 'v');
    if (settings.ReplaceSection("Image", {{"Count", "1"}, {"1", huge}}, file))
        EXPECT_EQ(Read("Image", "1", "", file), huge);
    else
        EXPECT_EQ(Bytes(file), before);
}

} // namespace
