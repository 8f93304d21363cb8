#include "platform/qt/qt_services.h"
#include "platform/shared/platform_under_test.h"

namespace under_test {

platform::Pictures& Pictures() {
    return platform::qt::PicturesService();
}

} // namespace under_test
