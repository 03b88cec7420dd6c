#include <gtest/gtest.h>

#include "transport/input_control_stream.h"
#include "transport/usb/usb_media_stream.h"

namespace kavri {
namespace {

TEST(UsbMediaStream, NullBufferGivesMinus1WithoutReading) {
    const uint8_t bytes[] = {7, 8};
    InputControlStream control(bytes, 2);
    UsbMediaStream media(&control);
    EXPECT_EQ(media.read(nullptr, 2), -1);
    EXPECT_EQ(control.remaining(), 2);
}

TEST(UsbMediaStream, ReadsTheControlStreamAndPassesItsExceptions) {
    const uint8_t bytes[] = {1, 2, 3};
    InputControlStream control(bytes, 3);
    UsbMediaStream media(&control);
    uint8_t got[4] = {};
    EXPECT_EQ(media.read(got, 2), 2);
    EXPECT_EQ(got[0], 1);
    EXPECT_EQ(got[1], 2);
    try {
        media.read(got, 4);
        ADD_FAILURE() << "no exception";
    } catch (int code) {
        EXPECT_EQ(code, EXCEPTION_END_OF_FILE);
    }
    // The base behaviour: nothing buffered, everything available.
    EXPECT_TRUE(media.hasAvailable(100000));
    EXPECT_EQ(media.open(), 0);
    EXPECT_EQ(media.close(), 0);
}

}  // namespace
}  // namespace kavri
