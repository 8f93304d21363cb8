#pragma once
// The subcommands of lumora-tool. Each takes the arguments after its own name and returns the
// process's exit code.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tool {

constexpr int ExitOk = 0;
constexpr int ExitProblems = 1; // the command ran and found something wrong in its input
constexpr int ExitUsage = 2;    // bad arguments, or a file that could not be read or written

bool IsHelpOption(const std::string& arg);

// Installs the platform's file and text services; they need no display.
void UseFileServices();
// Makes text drawing possible without a display while the returned object lives.
std::shared_ptr<void> PrepareDrawing();
// True when `bytes` are valid UTF-8.
bool IsUtf8(const std::string& bytes);
// The holiday file the saver would read: beside this tool, else the installed data folder,
// else the source tree's copy.
std::string ShippedHolidayFile();
// A rule file's text as UTF-8; false (with `error` set) when it cannot be read.
bool ReadRuleFile(const std::string& path, std::string& text, std::string& error);
// Writes bytes to standard output unchanged (no line-end translation).
void WriteOut(const std::string& bytes);
// The most physical memory this process has used so far, in bytes (0 when unknown).
std::uint64_t PeakResidentBytes();

} // namespace tool

int RunHolidaysCommand(const std::vector<std::string>& args);
int RunCheckRulesCommand(const std::vector<std::string>& args);
int RunFrameCommand(const std::vector<std::string>& args);
