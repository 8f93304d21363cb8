#include <cstdio>
#include <string>
#include <vector>

#include "platform/services.h"
#include "startup/startup.h"

// `--help` and `--version` answer on the terminal before any window or display is needed.
int main(int argc, char** argv) {
    if (argc > 1) {
        platform::ScopedServices services(platform::NativeServices());
        if (const auto text = basComon::InformationRequested(argv[1], LUMORA_VERSION)) {
            std::fputs(text->c_str(), stdout);
            return 0;
        }
    }
    return platform::RunProgram(argc, argv, &basComon::Main);
}
