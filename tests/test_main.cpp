#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Dates and times in the tests are local; pin the zone so they read the same everywhere.
#ifndef _WIN32
    setenv("TZ", "Asia/Tokyo", 1);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
