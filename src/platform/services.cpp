#include "services.h"

namespace platform {

Services& Current() {
    static Services services;
    return services;
}

ScopedServices::ScopedServices(const Services& services) : saved_(Current()) {
    Services& now = Current();
    auto take = [](auto*& slot, auto* replacement) {
        if (replacement) slot = replacement;
    };
    take(now.process, services.process);
    take(now.windows, services.windows);
    take(now.clock, services.clock);
    take(now.screen, services.screen);
    take(now.drawing, services.drawing);
    take(now.pictures, services.pictures);
    take(now.settingsFile, services.settingsFile);
    take(now.text, services.text);
    take(now.controls, services.controls);
    take(now.files, services.files);
}

ScopedServices::~ScopedServices() { Current() = saved_; }

} // namespace platform
