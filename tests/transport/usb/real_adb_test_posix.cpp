#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/result_codes.h"
#include "adb_sandbox.h"
#include "transport/usb/adb_runner.h"
#include "transport/usb/usb_control_stream.h"

namespace kavri {
namespace {

// Debian's adb, with no phone attached. It starts its server on first use;
// the guard stops it again whatever the test's outcome.
constexpr char REAL_ADB[] = "/usr/lib/android-sdk/platform-tools/adb";

struct AdbServerGuard {
    ~AdbServerGuard() { runAdb(L" kill-server", nullptr); }
};

TEST(RealAdb, ListsNoDeviceAndTheStreamGivesMinus10) {
    if (!std::filesystem::exists(REAL_ADB)) {
        GTEST_SKIP() << "Debian's adb is not installed (scripts/setup installs it)";
    }
    test::AdbSandbox sandbox;
    ASSERT_TRUE(sandbox.installProgram(REAL_ADB));
    AdbServerGuard server;

    std::string listing;
    ASSERT_TRUE(runAdb(L" devices", &listing));
    EXPECT_EQ(listing, "List of devices attached\n\n");
    EXPECT_FALSE(adbListingHasDevice(listing));

    UsbControlStream stream(8125);
    EXPECT_EQ(stream.open(), RESULT_NO_USB_DEVICE);
}

}  // namespace
}  // namespace kavri
