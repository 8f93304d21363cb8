#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/idle.h"
#include "platform/services.h"
#include "startup/startup.h"

// `--help` and `--version` answer on the terminal before any window or display is needed.
// `--idle` waits for idle time without the toolkit and runs each show as a process of its own.
int main(int argc, char** argv) {
    // Standard input, output and error that the caller closed are opened on /dev/null first:
    // otherwise the next file or connection opened (the display's, say) would take their
    // number, and a message meant for standard error would be written into it.
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0) {
            [[maybe_unused]] const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }

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
