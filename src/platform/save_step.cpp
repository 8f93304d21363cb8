#include "platform/settings_file.h"

namespace platform {
namespace {
SaveStepHook saveStepHook = nullptr;
} // namespace

void SetSaveStepHook(SaveStepHook hook) {
    saveStepHook = hook;
}

bool SaveMayContinue(SaveStep step, const std::string& temporary) {
    return !saveStepHook || saveStepHook(step, temporary);
}

} // namespace platform
