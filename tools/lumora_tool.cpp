#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"

namespace {

const char* const Usage =
    "Usage: lumora-tool COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  holidays FROM TO [--rules FILE]  list the holidays from FROM to TO (YYYY-MM-DD)\n"
    "  check-rules FILE                 report the lines of a holiday rule file that can\n"
    "                                   never match a date\n"
    "  frame ...                        draw one frame of the saver to a PNG file\n"
    "\n"
    "'lumora-tool COMMAND --help' describes one command; --version prints the version.\n"
    "Exit codes: 0 done, 1 problems found, 2 bad arguments or a file error.\n";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(Usage, stderr);
        return tool::ExitUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--version") {
        std::printf("lumora-tool %s\n", LUMORA_VERSION);
        return tool::ExitOk;
    }
    if (tool::IsHelpOption(command) || command == "help") {
        std::fputs(Usage, stdout);
        return tool::ExitOk;
    }
    if (command == "holidays") return RunHolidaysCommand(args);
    if (command == "check-rules") return RunCheckRulesCommand(args);
    if (command == "frame") return RunFrameCommand(args);
    std::fprintf(stderr, "lumora-tool: unknown command '%s'\n\n%s", command.c_str(), Usage);
    return tool::ExitUsage;
}
