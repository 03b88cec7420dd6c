#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "adb_sandbox.h"
#include "platform/socket_compat.h"
#include "tools/phone_sim/lib/phone_simulator.h"
#include "transport/usb/usb_control_stream.h"

namespace kavri {
namespace {

using test::AdbSandbox;
using Lines = std::vector<std::string>;

// A loopback port that nothing listens on (it was free a moment ago).
int unusedPort() {
    EXPECT_TRUE(startSockets());
    const socket_t s = openSocket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    any.sin_port = 0;
    EXPECT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    const int port = localPort(s);
    closeSocket(s);
    return port;
}

Lines forwardCalls(int port) {
    const std::string p = std::to_string(port);
    return {" devices", " -a forward tcp:" + p + " tcp:" + p};
}

class UsbControlStreamTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sandbox_.installFakeAdb()); }
    AdbSandbox sandbox_;
};

TEST_F(UsbControlStreamTest, NoDeviceGivesMinus10AndNeverForwards) {
    sandbox_.setListing("List of devices attached\n\n");
    UsbControlStream stream(8125);
    EXPECT_EQ(stream.open(), RESULT_NO_USB_DEVICE);
    stream.close();
    EXPECT_EQ(sandbox_.calls(), Lines{" devices"});
    EXPECT_THROW(stream.read(nullptr, 0), int);
}

TEST(UsbControlStream, MissingAdbGivesMinus10) {
    AdbSandbox empty;
    UsbControlStream stream(8125);
    EXPECT_EQ(stream.open(), RESULT_NO_USB_DEVICE);
}

TEST_F(UsbControlStreamTest, RefusedConnectionGivesMinus5AndStillRemovesTheForward) {
    const int port = unusedPort();
    {
        UsbControlStream stream(port);
        EXPECT_EQ(stream.open(), RESULT_CANNOT_CONNECT);
        EXPECT_EQ(sandbox_.calls(), forwardCalls(port));
        stream.close();
        stream.close();
    }
    Lines expected = forwardCalls(port);
    expected.push_back(" -a forward --remove " + std::to_string(port));
    EXPECT_EQ(sandbox_.calls(), expected);
}

TEST_F(UsbControlStreamTest, DestroyingAnOpenStreamRemovesTheForward) {
    PhoneSimConfig config;
    config.mediaMode = SimMediaMode::Stream;
    PhoneSimulator phone(config);
    ASSERT_TRUE(phone.start()) << phone.lastError();
    const int port = phone.controlPort();
    {
        UsbControlStream stream(port);
        ASSERT_EQ(stream.open(), 0);
        EXPECT_TRUE(phone.waitForConnection(1, std::chrono::seconds(10)));
    }
    Lines expected = forwardCalls(port);
    expected.push_back(" -a forward --remove " + std::to_string(port));
    EXPECT_EQ(sandbox_.calls(), expected);
    EXPECT_TRUE(phone.waitForDisconnect(std::chrono::seconds(10)));
}

TEST(UsbControlStream, ClosedStreamThrowsNotOpenWhateverTheCount) {
    UsbControlStream stream(8125);
    uint8_t byte = 0;
    for (int count : {0, 1}) {
        try {
            stream.read(&byte, count);
            ADD_FAILURE() << "read did not throw";
        } catch (int code) {
            EXPECT_EQ(code, EXCEPTION_NOT_OPEN);
        }
        try {
            stream.write(&byte, count);
            ADD_FAILURE() << "write did not throw";
        } catch (int code) {
            EXPECT_EQ(code, EXCEPTION_NOT_OPEN);
        }
    }
}

}  // namespace
}  // namespace kavri
