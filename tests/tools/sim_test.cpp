#include <gtest/gtest.h>

#include "SimDevice.h"

TEST(SimDevice, StartsAndStops)
{
    SimOptions options;
    options.port = 0;
    SimDevice device(options);
    std::string error;
    ASSERT_TRUE(device.Start(&error)) << error;
    EXPECT_NE(device.Port(), 0);
    device.Stop();
}
