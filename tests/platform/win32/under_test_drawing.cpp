#include "platform/shared/platform_under_test.h"
#include "platform/win32/win32_services.h"

namespace under_test {

platform::Drawing& Drawing() {
    return platform::win32::DrawingService();
}
platform::Text& Text() {
    return platform::win32::TextService();
}
platform::Process& Process() {
    return platform::win32::ProcessService();
}

platform::FileIdentities& Files() {
    return platform::win32::FileIdentitiesService();
}

} // namespace under_test
