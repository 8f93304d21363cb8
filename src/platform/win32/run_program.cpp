#include "windows_api.h"
#include <ole2.h>
#include <shellapi.h>

#include "codepage.h"
#include "command_line.h"
#include "win32_services.h"

namespace platform {
namespace win32 {

std::string CommandTail(const std::string& commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        i = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        i = commandLine.find_first_of(" \t");
        if (i == std::string::npos) i = commandLine.size();
    }
    if (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    return commandLine.substr(i);
}

namespace {

std::vector<std::string> ArgumentsAfterProgramName() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(WideToUtf8(argv[i]));
    LocalFree(argv);
    return arguments;
}

} // namespace
} // namespace win32

int RunProgram(int, char**, void (*main)(const StartInfo&)) {
    // Screen sizes must be real pixels even where the manifest is not read.
    if (!IsProcessDPIAware()) SetProcessDPIAware();
    // Picture decoding and encoding go through COM.
    const HRESULT ole = OleInitialize(nullptr);
    Current() = NativeServices();

    StartInfo start;
    start.CommandLine = win32::AnsiToUtf8(win32::CommandTail(GetCommandLineA()));
    start.Arguments = win32::ArgumentsAfterProgramName();
    main(start);
    win32::WindowsService().RunMessageLoop();

    if (SUCCEEDED(ole)) OleUninitialize();
    return 0;
}

} // namespace platform
