#include <gtest/gtest.h>

#include "platform/Clock.h"

int main(int argc, char** argv) {
    morvanex::platform::FixTimeZone();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
