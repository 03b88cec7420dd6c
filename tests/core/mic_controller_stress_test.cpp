#include <gtest/gtest.h>

#include <random>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "core/result_codes.h"
#include "tests/core/mic_controller_phone.h"

namespace kavri::test {
namespace {

constexpr int kCycles = 200;

// Connect and stop again and again against a phone that streams quickly,
// with the system timer ticking, stopping at different moments: right after
// connecting, once audio flows, and by destroying the controller. Run under
// ThreadSanitizer this is the controller's race check.
class MicControllerStress : public PhoneFixture {};

TEST_F(MicControllerStress, ConnectStopCycles) {
    PhoneSimConfig config;
    config.packetIntervalMs = 5;
    startPhone(config);
    Settings::setPlayLocally(true);
    std::mt19937 random(12345);
    FakeOutputs fakes;

    auto recorder = std::make_unique<ReportRecorder>();
    auto controller = std::make_unique<MicController>(recorder.get(), fakes.make(true));
    size_t expected = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        ASSERT_EQ(controller->connect(), 0) << "cycle " << cycle;
        ASSERT_TRUE(recorder->waitForCount(expected + 2, kConnectWait)) << "cycle " << cycle;
        const int moment = static_cast<int>(random() % 4);
        if (moment >= 1) {
            ASSERT_TRUE(waitForRx(moment)) << "cycle " << cycle;
        }
        if (moment == 3) {
            // The destructor stops the connection on this thread.
            controller.reset();
            controller = std::make_unique<MicController>(recorder.get(), fakes.make(true));
        } else {
            controller->requestStop(0);
            if (moment == 2)
                controller->requestStop(0);  // a second click changes nothing
        }
        ASSERT_TRUE(recorder->waitForCount(expected + 4, kConnectWait)) << "cycle " << cycle;
        const auto reports = recorder->reports();
        const std::vector<Report> last(reports.begin() + static_cast<long>(expected),
                                       reports.end());
        ASSERT_EQ(last, (std::vector<Report>{{Connecting, RESULT_OK}, {Connected, RESULT_OK}, {Disconnecting, RESULT_OK}, {Disconnected, RESULT_OK}})) << "cycle " << cycle;
        expected += 4;
    }
    controller.reset();
    EXPECT_EQ(recorder->reports().size(), expected);
    EXPECT_EQ(phone->connectionCount(), kCycles);
}

}  // namespace
}  // namespace kavri::test
