// The picture list as the program loads and saves it, on the real settings file.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/shared/platform_under_test.h"
#include "settings/settings.h"

void PrintTo(const ImageEntry& entry, std::ostream* out) {
    *out << basComon::FormatImageLine(entry);
}

namespace {

namespace fs = std::filesystem;

std::vector<ImageEntry> List(std::initializer_list<const char*> names) {
    std::vector<ImageEntry> list(1);
    for (const char* name : names)
        list.push_back({"/p/", name, name, "/p/", true});
    return list;
}

class PictureListFileTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(directory_.empty());
        basComon::IniSavePath = basComon::IniPath =
            directory_ + under_test::Text().PathSeparator() + "LumoraScr.ini";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        basComon::IniSavePath = basComon::IniPath = {};
        basComon::ImageList.resize(1);
    }
    void Empty() {
        fs::remove_all(folder_);
        fs::create_directory(folder_);
    }
    std::vector<fs::path> Names() const {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename());
        return names;
    }

  private:
    static platform::Services Real() {
        platform::Services services;
        services.settingsFile = &under_test::SettingsFile();
        services.process = &under_test::Process();
        services.text = &under_test::Text();
        return services;
    }

    platform::ScopedServices scope_{Real()};
    std::string directory_ = under_test::TempDirectory();
    fs::path folder_{std::u8string(reinterpret_cast<const char8_t*>(directory_.data()),
                                   directory_.size())};
};

TEST_F(PictureListFileTest, TheFirstOfAKeyWinsWhateverItsCase) {
    const std::string a = "1=True\ta\t/p/\ta\t/p/\r\n", b = "1=True\tb\t/p/\tb\t/p/\r\n";
    const std::string files[] = {
        "[Image]\r\nCount=1\r\n" + a + "COUNT=2\r\n" + b,
        "[iMAGE]\r\ncount=1\r\n" + a + "[Image]\r\nCount=2\r\n" + b + "2=x\r\n",
    };
    for (const std::string& bytes : files) {
        Empty();
        ASSERT_TRUE(under_test::WriteBytes(basComon::IniPath, bytes));
        basComon::LoadImageList();
        EXPECT_EQ(basComon::ImageList, List({"a"})) << bytes;
    }
}

platform::SaveStep stopAt = platform::SaveStep::TemporaryWritten;

bool StopThere(platform::SaveStep step, const std::string&) {
    return step != stopAt;
}

// A save stopped part way, as a kill would stop it: the next start loads the old list or the
// new one, whole, and the next save leaves nothing else beside the file.
TEST_F(PictureListFileTest, ASaveCutOffLeavesTheOldOrTheNewListAndNoLitter) {
    const auto oldList = List({"old.jpg"}), newList = List({"new 1.jpg", "new 2.jpg"});
#ifdef _WIN32
    // The file is only missing when it was never saved: nothing there is the old list.
    const auto firstSaveCutOff = List({});
#else
    // A complete new file beside a missing one is the new list.
    const auto firstSaveCutOff = newList;
#endif
    const struct {
        const char* name;
        bool saved;
        platform::SaveStep step;
        const std::vector<ImageEntry>& loaded;
    } cases[] = {
        {"new file written, not yet renamed", true, platform::SaveStep::TemporaryWritten,
         oldList},
        {"first save: new file written, not yet renamed", false,
         platform::SaveStep::TemporaryWritten, firstSaveCutOff},
        {"renamed, folder not yet made durable", true, platform::SaveStep::Replaced, newList},
    };
    for (const auto& c : cases) {
        Empty();
        if (c.saved) {
            basComon::ImageList = oldList;
            ASSERT_TRUE(basComon::SaveImageList()) << c.name;
        }
        basComon::ImageList = newList;
        stopAt = c.step;
        platform::SetSaveStepHook(StopThere);
        EXPECT_FALSE(basComon::SaveImageList()) << c.name;
        platform::SetSaveStepHook(nullptr);

        basComon::LoadImageList();
        EXPECT_EQ(basComon::ImageList, c.loaded) << c.name;
        ASSERT_TRUE(basComon::SaveImageList()) << c.name;
        EXPECT_EQ(Names(), std::vector<fs::path>{"LumoraScr.ini"}) << c.name;
    }
}

// A save that starts while another is between writing its new file and renaming it leaves that
// file alone: both succeed, the later rename wins whole.
bool nestedSaved = false;

bool SaveOnceMore(platform::SaveStep step, const std::string&) {
    if (step != platform::SaveStep::TemporaryWritten) return true;
    platform::SetSaveStepHook(nullptr);
    nestedSaved = basComon::SaveImageList();
    return true;
}

TEST_F(PictureListFileTest, ASaveStartedDuringAnotherLeavesItsFileAlone) {
    Empty();
    basComon::ImageList = List({"first.jpg"});
    platform::SetSaveStepHook(SaveOnceMore);
    EXPECT_TRUE(basComon::SaveImageList());
    platform::SetSaveStepHook(nullptr);
    EXPECT_TRUE(nestedSaved);
    basComon::ImageList = {};
    basComon::LoadImageList();
    EXPECT_EQ(basComon::ImageList, List({"first.jpg"}));
    EXPECT_EQ(Names(), std::vector<fs::path>{"LumoraScr.ini"});
}

} // namespace
