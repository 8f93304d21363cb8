#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "startup/startup.h"

namespace {

TEST(Information, VersionAndHelpAnswerOnlyToTheirOwnFirstArgument) {
    fakes::FakeProcess process;
    process.appDirectory = "/opt/ls/bin";
    process.installedDataDirectory = "/opt/ls/share/lumorascr";
    process.files["/opt/ls/share/lumorascr/Calender.dat"] = "";
    process.userConfigDirectory = "/home/me/.config/lumorascr/";
    fakes::FakeText text('/');
    platform::Services services;
    services.process = &process;
    services.text = &text;
    platform::ScopedServices scoped(services);

    EXPECT_EQ(basComon::InformationRequested("--version", "1.2.3"), "lumorascr 1.2.3\n");
    const auto help = basComon::InformationRequested("--help", "1.2.3");
    ASSERT_TRUE(help);
    for (const char* part :
         {"/s", "/c", "/p WINDOW", "--idle MINUTES", "--root", "--window-id ID", "--directory DIR", "imageDirectory",
          "/home/me/.config/lumorascr/LumoraScr.ini", "/opt/ls/share/lumorascr/Calender.dat"})
        EXPECT_NE(help->find(part), std::string::npos) << part;
    for (const char* other : {"-h", "--Help", "-version", "/s", "--root", ""})
        EXPECT_FALSE(basComon::InformationRequested(other, "1.2.3")) << other;
}

TEST(Information, XScreenSaversImageFolderIsTheLocalFolderOfItsSetting) {
    const struct {
        const char* text;
        const char* folder;
    } cases[] = {
        {"mode: one\nimageDirectory:\t/srv/photos\nprograms: x\n", "/srv/photos"},
        {"imageDirectory:  ~/Pictures  \r\n", "/home/me/Pictures"},
        {"imageDirectory: ~\n", "/home/me"},
        {"imageDirectory:\n", ""},
        {"imageDirectory: Pictures\n", ""},
        {"imageDirectory: https://example.org/photos.rss\n", ""},
        {"# imageDirectory: /srv/photos\n", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(basComon::XScreenSaverImageDirectory(c.text, "/home/me"), c.folder) << c.text;
}

} // namespace
