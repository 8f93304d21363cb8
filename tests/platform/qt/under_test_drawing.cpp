#include "platform/qt/qt_services.h"
#include "platform/shared/platform_under_test.h"

namespace under_test {

platform::Drawing& Drawing() {
    return platform::qt::DrawingService();
}
platform::Text& Text() {
    return platform::qt::TextService();
}
platform::Process& Process() {
    return platform::qt::ProcessService();
}

platform::FileIdentities& Files() {
    return platform::qt::FileIdentitiesService();
}

} // namespace under_test
