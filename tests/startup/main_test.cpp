#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fakes/dialog_fakes.h"
#include "fakes/fakes.h"
#include "fakes/saver_fakes.h"
#include "settings/settings.h"
#include "startup/startup.h"

namespace {

struct PreviewLog {
    std::vector<std::string> calls;
    platform::PreviewDesign design;
};

class FakePreview : public platform::PreviewWindow {
  public:
    explicit FakePreview(PreviewLog& log) : log_(log) {}
    void SetPosition(int left, int top) override {
        log_.calls.push_back("position " + std::to_string(left) + "," + std::to_string(top));
    }
    void SetCaption(const std::string& caption) override {
        log_.calls.push_back("caption " + caption);
    }
    void MakeChildOf(platform::NativeHandle host) override {
        log_.calls.push_back("child of " + std::to_string(host));
    }
    void Show() override { log_.calls.push_back("show"); }
    platform::NativeHandle Handle() override { return 99; }

  private:
    PreviewLog& log_;
};

// Start-up against fake services, with one stored picture and one holiday rule.
class MainTest : public testing::Test {
  protected:
    MainTest() : services_(Fakes()) {
        process.appDirectory = "C:\\Saver";
        process.writableDirectories.insert("C:\\Saver");
        process.files["C:\\Saver\\Calender.dat"] = "FIX,1,1,元日\r\n";
        settings.values[{"C:\\Saver\\LumoraScr.ini", "image", "count"}] = "1";
        settings.values[{"C:\\Saver\\LumoraScr.ini", "image", "1"}] =
            "True\ta.jpg\tc:\\p\\\ta.jpg\tc:\\p\\";
        windows.makePreview = [this](const platform::PreviewDesign& design) {
            preview.design = design;
            return std::make_unique<FakePreview>(preview);
        };
        // The saver ends on a key at its first message step.
        windows.makeSaver = [this](platform::SaverEvents& events, platform::NativeHandle host) {
            saverEvents = &events;
            saverHosts.push_back(host);
            return std::make_unique<fakes::FakeSaverWindow>(events, host, screen.size);
        };
        windows.onPump = [this] {
            if (saverEvents) saverEvents->OnKeyDown(32);
        };
        ImageEntry stale;
        stale.Title = "stale";
        basComon::ImageList.assign(3, stale);
        basComon::HolidayList.assign(1, HolidayEntry{});
        basComon::HolidayCount = 0;
    }

    void Start(const std::string& commandLine) {
        platform::StartInfo start;
        start.CommandLine = commandLine;
        basComon::Main(start);
    }
    // Starts with the arguments split as the system splits them.
    void Start(const std::vector<std::string>& arguments, const std::string& saverWindow = "",
               const std::string& home = "") {
        platform::StartInfo start;
        start.Arguments = arguments;
        for (const auto& a : arguments) start.CommandLine += (start.CommandLine.empty() ? "" : " ") + a;
        start.SaverWindowEnvironment = saverWindow;
        start.HomeDirectory = home;
        basComon::Main(start);
    }
    std::vector<std::string> ShownNames() const {
        std::vector<std::string> names;
        for (std::size_t i = 1; i < basComon::ImageList.size(); ++i)
            names.push_back(basComon::ImageList[i].FileName);
        return names;
    }

    platform::Services Fakes() {
        platform::Services s;
        s.process = &process;
        s.windows = &windows;
        s.clock = &clock;
        s.screen = &screen;
        s.settingsFile = &settings;
        s.text = &text;
        s.drawing = &drawing;
        s.pictures = &pictures;
        s.controls = &controls;
        return s;
    }

    bool Loaded() const { return basComon::ImageCount() == 1 && basComon::HolidayCount == 1; }

    fakes::FakeProcess process;
    fakes::FakeWindows windows;
    fakes::FakeClock clock;
    fakes::FakeScreen screen;
    fakes::MemorySettingsFile settings;
    fakes::FakeText text;
    fakes::FakeDrawing drawing;
    fakes::FakePictures pictures;
    fakes::FakeControls controls;
    PreviewLog preview;
    platform::SaverEvents* saverEvents = nullptr;
    std::vector<platform::NativeHandle> saverHosts;

  private:
    platform::ScopedServices services_;
};

TEST_F(MainTest, AnOpenSettingsDialogOrSaverTitleRefusesEveryStartWithoutLoading) {
    for (const char* title : {"LumoraScreenSaver Setting", "LumoraScreenSaver"}) {
        for (const char* commandLine : {"/s", "/p 12", "/c", "", "/x"}) {
            windows.titles = {title};
            windows.lookups.clear();
            Start(commandLine);
            EXPECT_EQ(basComon::ImageCount(), 2) << title << " " << commandLine;
            EXPECT_TRUE(preview.calls.empty());
            EXPECT_EQ(windows.lookups,
                      (std::vector<std::string>{"LumoraScreenSaver", "LumoraScreenSaver Setting"}));
        }
    }
}

TEST_F(MainTest, PreviewIsPlacedAtTheTopLeftOfTheHostAndShown) {
    windows.titles = {"Preview"};
    Start("/p 4711");
    EXPECT_TRUE(Loaded());
    EXPECT_EQ(basComon::PreviewParent, 4711);
    EXPECT_EQ(preview.calls, (std::vector<std::string>{"position 0,0", "caption Preview",
                                                       "child of 4711", "show"}));
    EXPECT_EQ(preview.design.Client, (platform::Size{312, 213}));
    ASSERT_EQ(preview.design.Labels.size(), 2u);
    EXPECT_EQ(preview.design.Labels[0].TextColor, 0x606060u);
    EXPECT_EQ(preview.design.Labels[0].Bounds, (platform::Rect{8, 8, 193, 65}));
    EXPECT_EQ(preview.design.Labels[1].TextColor, platform::SystemColor(2));
    EXPECT_EQ(preview.design.Labels[1].Bounds, (platform::Rect{7, 7, 192, 64}));
    EXPECT_EQ(preview.design.Labels[1].Caption, "LumoraScr");
}

TEST_F(MainTest, PreviewWithoutAHandleStillShowsTheWindow) {
    Start("/p");
    EXPECT_EQ(preview.calls.back(), "show");
    EXPECT_EQ(preview.calls[2], "child of 0");
}

TEST_F(MainTest, TheSwitchChoosesSaverOrSettingsDialog) {
    enum class Opens { Saver, Dialog };
    const struct {
        const char* commandLine;
        Opens opens;
    } cases[] = {
        {"/s", Opens::Saver},       {"/S", Opens::Saver},     {"   /s", Opens::Saver},
        {"/Sfoo", Opens::Saver},    {"/S:123", Opens::Saver}, {"/c", Opens::Dialog},
        {"/C:4711", Opens::Dialog}, {"", Opens::Dialog},      {"   ", Opens::Dialog},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        saverEvents = nullptr;
        saverHosts.clear();
        controls.view = nullptr;
        process.seeds = 0;
        windows.pumps = 0;
        Start(c.commandLine);
        EXPECT_TRUE(Loaded());
        EXPECT_TRUE(preview.calls.empty());
        if (c.opens == Opens::Saver) {
            // The generator is seeded for the shuffle, and the show ran until the key.
            EXPECT_EQ(process.seeds, 1);
            EXPECT_EQ(saverHosts, std::vector<platform::NativeHandle>{0});
            EXPECT_EQ(windows.pumps, 1);
            EXPECT_EQ(controls.view, nullptr);
        } else {
            EXPECT_EQ(process.seeds, 0);
            EXPECT_TRUE(saverHosts.empty());
            ASSERT_NE(controls.view, nullptr);
            EXPECT_EQ(controls.view->caption, "LumoraScreenSaver Setting");
            EXPECT_TRUE(controls.view->shown);
            EXPECT_EQ(controls.view->lines, std::vector<std::string>{"a.jpg"});
            EXPECT_EQ(windows.pumps, 2) << "waiting messages before the dialog and after it";
        }
        EXPECT_EQ(settings.writes, 0);
    }
}

TEST_F(MainTest, UnknownSwitchLoadsBothFilesOpensNothingAndWritesNothing) {
    for (const char* commandLine : {"/a", "x", "-s"}) {
        basComon::ImageList.assign(3, ImageEntry{});
        Start(commandLine);
        EXPECT_TRUE(Loaded()) << commandLine;
        EXPECT_TRUE(preview.calls.empty());
        EXPECT_EQ(settings.writes, 0);
    }
}

TEST_F(MainTest, DeveloperFolderSetsTheFlag) {
    process.appDirectory = "d:\\tovik\\bin";
    Start("/x");
    EXPECT_TRUE(basComon::DevMode);
    process.appDirectory = "C:\\Saver";
    Start("/x");
    EXPECT_FALSE(basComon::DevMode);
}

TEST_F(MainTest, AHostedSaverDrawsWhileTheSettingsDialogIsOpen) {
    windows.titles = {"LumoraScreenSaver Setting"};
    windows.root = 0x1e5;
    const struct {
        std::vector<std::string> args;
        const char* environment;
        platform::NativeHandle host;
    } cases[] = {
        {{"--root"}, "0x400001", 0x400001},
        {{"--root"}, "", 0x1e5},
        {{"--window-id", "77"}, "", 77},
        {{}, "0x400001", 0x400001},
    };
    for (const auto& c : cases) {
        saverHosts.clear();
        Start(c.args, c.environment);
        EXPECT_EQ(saverHosts, std::vector<platform::NativeHandle>{c.host}) << c.environment;
        EXPECT_TRUE(Loaded());
    }
}

// The pictures a show takes: a named folder, the stored list, or XScreenSaver's image folder.
TEST_F(MainTest, TheSaverShowsANamedFolderOrXScreenSaversImageFolderInsteadOfTheList) {
    const auto dir = std::filesystem::temp_directory_path() / "lumora-main-test-folder";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "sub.jpg");
    for (const char* name : {"b.JPG", "a.png", "c.jpeg", "d.bmp", "e.gif", "notes.txt", ".jpg"})
        std::ofstream(dir / name) << "x";
    const std::string folder = dir.string();
    const std::vector<std::string> inFolder{"a.png", "b.JPG", "c.jpeg", "d.bmp", "e.gif"};
    const std::vector<std::string> stored{"a.jpg"};
    const std::string chosen = "imageDirectory:\t" + folder + "\n";

    const struct {
        std::vector<std::string> args;
        const char* environment;
        bool storedListEmpty;
        std::string xscreensaver;
        std::vector<std::string> shown;
    } cases[] = {
        {{"/s", "--directory", folder}, "", false, "", inFolder},
        {{"--root", "--directory", folder}, "0x400001", false, "", inFolder},
        {{"/s", "--directory", folder + "/missing"}, "", false, "", {}},
        // The dialog never takes the folder: saving it would replace the stored list.
        {{"/c", "--directory", folder}, "", false, "", stored},
        {{"--root"}, "0x400001", true, chosen, inFolder},
        {{"--root"}, "0x400001", false, chosen, stored},
        {{"/s"}, "", true, chosen, {}},
    };
    for (const auto& c : cases) {
        // XScreenSaver's settings name POSIX folders only; on Windows the temporary one is not.
        if (!c.xscreensaver.empty() && folder[0] != '/') continue;
        SCOPED_TRACE(testing::PrintToString(c.args) + " " + c.xscreensaver);
        settings.values[{"C:\\Saver\\LumoraScr.ini", "image", "count"}] =
            c.storedListEmpty ? "0" : "1";
        process.files["/home/me/.xscreensaver"] = c.xscreensaver;
        controls.view = nullptr;
        saverEvents = nullptr;
        Start(c.args, c.environment, "/home/me");
        if (controls.view)
            EXPECT_EQ(controls.view->lines, c.shown);
        else
            EXPECT_EQ(ShownNames(), c.shown);
    }
    std::filesystem::remove_all(dir);
}

} // namespace
