#include "platform/shared/platform_under_test.h"
#include "platform/win32/win32_services.h"

namespace under_test {

platform::Pictures& Pictures() {
    return platform::win32::PicturesService();
}

} // namespace under_test
