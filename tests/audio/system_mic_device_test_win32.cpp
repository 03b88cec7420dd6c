#include <gtest/gtest.h>

#include "audio/mic_device.h"

namespace kavri {
namespace {

// No virtual microphone driver is installed where the Windows tests run.
TEST(SystemMicDevice, MissingDriverIsAbsentAndEverythingElseIsSkipped) {
    MicDevice device;
    EXPECT_FALSE(device.open());
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(device.getVersion(), 0);
    int16_t frame[960] = {};
    device.write(frame, 960);
    device.close();
    EXPECT_EQ(MicDevice::queryDriverState(), 0);
}

}  // namespace
}  // namespace kavri
