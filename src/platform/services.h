#pragma once
#include <string>
#include <vector>

#include "clock.h"
#include "controls.h"
#include "drawing.h"
#include "file_identity.h"
#include "pictures.h"
#include "process.h"
#include "screen.h"
#include "settings_file.h"
#include "text.h"
#include "windows.h"

namespace platform {

// Every service the program reaches the system through. The platform library fills it with
// the real implementations; tests put fakes in with `ScopedServices`.
struct Services {
    Process* process = nullptr;
    Windows* windows = nullptr;
    Clock* clock = nullptr;
    Screen* screen = nullptr;
    Drawing* drawing = nullptr;
    Pictures* pictures = nullptr;
    SettingsFile* settingsFile = nullptr;
    Text* text = nullptr;
    Controls* controls = nullptr;
    FileIdentities* files = nullptr;
};

Services& Current();

// Installs `services` (null members keep the current ones) until the guard goes away.
class ScopedServices {
public:
    explicit ScopedServices(const Services& services);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services saved_;
};

// What the program was started with.
struct StartInfo {
    std::string CommandLine;             // the text after the program's own name
    std::vector<std::string> Arguments;  // the same, split as the system splits it
    std::string SaverWindowEnvironment;  // XSCREENSAVER_WINDOW, empty when unset
    std::string HomeDirectory;           // HOME where the system has one, else empty
};

// Implemented by each platform library.
// The real services, alive for the whole process.
Services NativeServices();
// Sets the platform up, installs NativeServices(), runs `main` with what the program was
// started with, then serves the windows `main` left open until the last one is gone.
int RunProgram(int argc, char** argv, void (*main)(const StartInfo&));

} // namespace platform
