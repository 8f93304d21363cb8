#include <cstdio>
#include <string>
#include <vector>

#include "platform/idle.h"
#include "platform/services.h"
#include "startup/startup.h"

// `--help` and `--version` answer on the terminal before any window or display is needed.
// `--idle` waits for idle time without the toolkit and runs each show as a process of its own.
int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--idle") return platform::RunIdle(argc, argv);
    if (argc > 1) {
        platform::ScopedServices services(platform::NativeServices());
        if (const auto text = basComon::InformationRequested(argv[1], LUMORA_VERSION)) {
            std::fputs(text->c_str(), stdout);
            return 0;
        }
    }
    return platform::RunProgram(argc, argv, &basComon::Main);
}
