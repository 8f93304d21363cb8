#include <gtest/gtest.h>

#include <cmath>

#include "startup/startup.h"

namespace {

struct SwitchCase {
    const char* commandLine;
    const char* expected;
};

TEST(CommandLine, SwitchIsFirstTwoCharactersAfterBlanksUpperCased) {
    const SwitchCase cases[] = {
        {"/s", "/S"},       {"/S", "/S"},       {"   /s", "/S"},      {"/Sfoo", "/S"},
        {"/S:123", "/S"},   {"/c", "/C"},       {"/C:4711", "/C"},    {"", ""},
        {"    ", ""},       {"/p 4711", "/P"},  {"/p", "/P"},         {"/a", "/A"},
        {"x", "X"},         {"-s", "-S"},       {"\t/s", "\t/"},      {"/ｓ", "/ｓ"},
    };
    for (const auto& c : cases) EXPECT_EQ(basComon::SwitchOf(c.commandLine), c.expected) << c.commandLine;
}

struct ValCase {
    const char* text;
    double expected;
};

TEST(CommandLine, ValReadsTheLeadingNumber) {
    const ValCase cases[] = {
        {"1234", 1234},     {" 1234", 1234},    {"1 2 3 4", 1234},   {"\t12\n3", 123},
        {"-12", -12},       {"+7", 7},          {"- 5", -5},         {"1.5", 1.5},
        {".5", 0.5},        {"1e3", 1000},      {"1.5E2", 150},      {"2D1", 20},
        {"1e+2", 100},      {"1e", 1},          {"12abc", 12},       {"abc", 0},
        {"", 0},            {"&H1F", 31},       {"&hff", 255},       {"&HFFFF", -1},
        {"&H8000", -32768}, {"&H10000", 65536}, {"&HFFFFFFFF", -1},  {"&O17", 15},
        {"&H", 0},          {"&Z1", 0},         {"3.5.1", 3.5},      {"--1", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(basComon::Val(c.text), c.expected) << c.text;
    EXPECT_TRUE(std::isnan(basComon::Val("&H100000000")));
    EXPECT_EQ(basComon::Val("1e-400"), 0);
    EXPECT_TRUE(std::isinf(basComon::Val("1e400")));
    EXPECT_LT(basComon::Val("-1e400"), 0);
}

struct HandleCase {
    const char* commandLine;
    std::int32_t expected;
};

TEST(CommandLine, PreviewHandleIsReadFromTheFourthCharacter) {
    const HandleCase cases[] = {
        {"/p 1234", 1234},
        {"/p:1234", 1234},
        {"/p", 0},
        {"/p1234", 234},
        {"/P 2.5", 2},                  // halves go to the even neighbour
        {"/P 3.5", 4},
        {"/p -7", -7},
        {"/p 12 34", 1234},
        {"/p 2147483647", 2147483647},
        {"/p -2147483648", -2147483647 - 1},
        {"/p &H7FFFFFFF", 2147483647},
        {"/p 2147483648", 0},           // outside 32 bits: no host rather than a wrapped one
        {"/p 4294967296", 0},
        {"/p 1e20", 0},
        {"/p 1e999", 0},
        {"/p &H100000000", 0},
        {"/p ＃12", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(basComon::PreviewHandleOf(c.commandLine), c.expected) << c.commandLine;
}

TEST(CommandLine, DeveloperFolderIsDecidedByTheFirstEightCharacters) {
    const std::pair<const char*, bool> cases[] = {
        {"d:\\tovik\\bin", true}, {"D:\\TOVIK", true},  {"d:\\tovikX", true},
        {"D:\\TOVI", false},      {"E:\\TOVIK", false}, {"C:\\TOVIK", false},
        {"/home/tovik", false},   {"", false},
    };
    for (const auto& [folder, dev] : cases) EXPECT_EQ(basComon::IsDevFolder(folder), dev) << folder;
}

struct HostCase {
    std::vector<std::string> args;
    const char* environment;
    platform::NativeHandle expected;
};

TEST(CommandLine, HostedSaverFollowsTheScreenSaverDaemonsConventions) {
    const platform::NativeHandle root = 0x1e5;
    const HostCase cases[] = {
        {{"--window-id", "0x2a00007"}, "", 0x2a00007},
        {{"-window-id", "44040199"}, "", 44040199},
        {{"--window-id"}, "", 0},
        {{"--window-id", "zz"}, "", 0},
        {{"--root"}, "", root},
        {{"-root"}, "0x400001", 0x400001},
        {{"--root"}, "0x400001", 0x400001},
        {{"/s"}, "0x400001", 0x400001},
        {{}, "4194305", 4194305},
        {{"/c"}, "0x400001", 0},
        {{"/p", "12"}, "0x400001", 0},
        {{"/s"}, "", 0},
        {{"/s"}, "garbage", 0},
    };
    for (const auto& c : cases) {
        platform::StartInfo start;
        start.Arguments = c.args;
        for (const auto& a : c.args) start.CommandLine += (start.CommandLine.empty() ? "" : " ") + a;
        start.SaverWindowEnvironment = c.environment;
        EXPECT_EQ(basComon::HostedSaverWindow(start, root), c.expected)
            << start.CommandLine << " env=" << c.environment;
    }
}

TEST(CommandLine, IdleTimeIsWholeMinutesFromOneToADay) {
    const struct {
        const char* text;
        bool seconds;
        std::optional<std::uint32_t> expected;
    } cases[] = {
        {"10", false, 600000u},  {"1", false, 60000u},   {"1440", false, 86400000u},
        {"5", true, 5000u},      {"0", false, {}},       {"1441", false, {}},
        {"", false, {}},         {"-5", false, {}},      {"+5", false, {}},
        {" 5", false, {}},       {"5m", false, {}},      {"2.5", false, {}},
        {"99999999999", false, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(basComon::IdleMilliseconds(c.text, c.seconds), c.expected) << c.text;
}

TEST(CommandLine, SessionLockNamesFoldAsciiCaseAndKeepToSafeCharacters) {
    EXPECT_EQ(basComon::SessionLockName("LumoraScreenSaver Setting"),
              "window-lumorascreensaver%20setting");
    EXPECT_EQ(basComon::SessionLockName("lumoraSCREENsaver setting"),
              basComon::SessionLockName("LumoraScreenSaver Setting"));
    EXPECT_EQ(basComon::SessionLockName("../設定"), "window-%2e%2e%2f%e8%a8%ad%e5%ae%9a");
    EXPECT_NE(basComon::SessionLockName("a b"), basComon::SessionLockName("a_b"));
}

} // namespace
