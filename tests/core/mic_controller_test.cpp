#include <gtest/gtest.h>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "tests/core/mic_controller_phone.h"

namespace kavri::test {
namespace {

const Report kConnecting{1, 0};
const Report kConnected{2, 0};
const Report kDisconnecting{3, 0};

class MicControllerConnect : public PhoneFixture {
  protected:
    // Runs one connect that must fail and returns its reports.
    std::vector<Report> failedConnect() {
        MicController controller(&recorder, fakes.make());
        EXPECT_EQ(controller.connect(), 0);
        EXPECT_TRUE(recorder.waitForCount(2, kConnectWait));
        EXPECT_EQ(controller.getState(), Disconnected);
        return recorder.reports();
    }

    // Nothing of a failed connection was left behind or ever opened.
    void expectOutputsUntouched() {
        EXPECT_TRUE(fakes.mic->callsCopy().empty());
        EXPECT_EQ(fakes.speaker->opens, 0);
        EXPECT_EQ(fakes.clock->createCount(), 0);
    }

    ReportRecorder recorder;
    FakeOutputs fakes;
};

TEST_F(MicControllerConnect, UserStopReportsEachStepAndEndsWithZero) {
    startPhone();
    MicController controller(&recorder, fakes.make());
    ASSERT_EQ(controller.connect(), 0);
    ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
    EXPECT_EQ(controller.getState(), Connected);
    ASSERT_TRUE(waitForRx(1));
    ASSERT_TRUE(phone->waitForKeepAlives(1, kConnectWait));

    controller.requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports(),
              (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {0, 0}}));
    EXPECT_EQ(controller.getState(), Disconnected);

    // The phone was asked in order, and the outputs were opened and closed once.
    const auto requests = phone->requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(requests[0].type, 'e');
    EXPECT_EQ(requests[1].type, 'f');
    EXPECT_EQ(requests[2].type, 'g');
    EXPECT_EQ(requests[3].type, 'i');
    EXPECT_EQ(phone->clientMediaPort(), mediaPort);
    EXPECT_EQ(fakes.mic->callsCopy(), (std::vector<std::string>{"open", "run", "stop", "close"}));
    EXPECT_EQ(fakes.speaker->opens, 1);
    EXPECT_EQ(fakes.speaker->closes, 1);
    EXPECT_EQ(fakes.clock->createCount(), 1);
    EXPECT_FALSE(fakes.clock->tick()) << "the timer outlived the connection";
    EXPECT_TRUE(phone->waitForDisconnect(kConnectWait));
}

struct PhoneFault {
    const char* name;
    void (*apply)(PhoneSimConfig&);
    int result;
};

const PhoneFault kPhoneFaults[] = {
    {"WrongHandshakeReplyType", [](PhoneSimConfig& c) { c.faults.wrongReplyTo = "e"; }, -7},
    {"HandshakeStatusNonZero", [](PhoneSimConfig& c) { c.handshakeStatus = 1; }, -6},
    {"HandshakeConnectionClosed", [](PhoneSimConfig& c) { c.faults.closeOn = "e"; }, -6},
    {"SetupStatusNonZero", [](PhoneSimConfig& c) { c.setupStatus = 2; }, -7},
    {"WrongSetupReplyType", [](PhoneSimConfig& c) { c.faults.wrongReplyTo = "f"; }, -7},
    {"StartStatusNonZero", [](PhoneSimConfig& c) { c.startStatus = 1; }, -8},
    {"StartConnectionClosed", [](PhoneSimConfig& c) { c.faults.closeOn = "g"; }, -8},
};

class MicControllerPhoneFault : public MicControllerConnect,
                                public testing::WithParamInterface<PhoneFault> {};

TEST_P(MicControllerPhoneFault, FailsTheConnectWithItsResult) {
    PhoneSimConfig config;
    GetParam().apply(config);
    startPhone(config);
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {0, GetParam().result}}));
    expectOutputsUntouched();
}

INSTANTIATE_TEST_SUITE_P(Phone, MicControllerPhoneFault, testing::ValuesIn(kPhoneFaults),
                         [](const testing::TestParamInfo<PhoneFault>& info) {
                             return info.param.name;
                         });

TEST_F(MicControllerConnect, NobodyListeningFailsWithCannotConnect) {
    startPhone();
    const int port = phone->controlPort();
    phone->stop();
    Settings::setControlPort(port);
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {0, -5}}));
    expectOutputsUntouched();
}

TEST_F(MicControllerConnect, MediaPortInUseFailsWithMediaResult) {
    startPhone();
    const socket_t taken = bindUdpSocket(mediaPort);
    ASSERT_NE(taken, INVALID_SOCKET_VALUE);
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {0, -12}}));
    closeSocket(taken);
    expectOutputsUntouched();
}

TEST_F(MicControllerConnect, UnknownTransportFailsWithCannotStart) {
    startPhone();
    Settings::setTransportType(4);
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {0, -8}}));
    EXPECT_EQ(phone->connectionCount(), 0);
}

TEST_F(MicControllerConnect, RefusesConnectWhileConnectingOrConnected) {
    PhoneSimConfig config;
    config.faults.replyDelayMs = 200;
    startPhone(config);
    MicController controller(&recorder, fakes.make());
    ASSERT_EQ(controller.connect(), 0);
    ASSERT_TRUE(waitUntil([&] { return controller.getState() == Connecting; }, kConnectWait));
    EXPECT_EQ(controller.connect(), -1);
    ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
    EXPECT_EQ(controller.connect(), -1);

    // A Disconnect while connecting only sets the result; the connect went on.
    controller.requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports(),
              (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {0, 0}}));
    EXPECT_EQ(phone->connectionCount(), 1);
}

TEST_F(MicControllerConnect, StopWhileConnectingOnlyStoresTheResult) {
    PhoneSimConfig config;
    config.faults.replyDelayMs = 200;
    startPhone(config);
    MicController controller(&recorder, fakes.make());
    ASSERT_EQ(controller.connect(), 0);
    ASSERT_TRUE(waitUntil([&] { return controller.getState() == Connecting; }, kConnectWait));
    controller.requestStop(-20);
    ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
    EXPECT_EQ(controller.getState(), Connected);
    // The stored -20 is what a stop of this connection reports.
    controller.requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports().back(), Report(0, 0));
}

// Two connects in a row both start a connect thread; the second waits for
// the first and then does nothing, or tries again when the first failed. The
// second call is refused if the first thread has already begun, so each test
// tries a few times until both calls got in.
TEST_F(MicControllerConnect, SecondConnectInARowAddsNothingAfterSuccess) {
    startPhone();
    for (int attempt = 0; attempt < 5; ++attempt) {
        ReportRecorder reports;
        bool both = false;
        {
            MicController controller(&reports, fakes.make());
            ASSERT_EQ(controller.connect(), 0);
            both = controller.connect() == 0;
            ASSERT_TRUE(reports.waitForCount(2, kConnectWait));
            EXPECT_EQ(controller.getState(), Connected);
            // The destructor waits for both connect threads before it stops.
        }
        if (!both) {
            continue;
        }
        EXPECT_EQ(reports.reports(),
                  (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {0, 0}}));
        EXPECT_EQ(phone->connectionCount(), attempt + 1);
        return;
    }
    FAIL() << "the second connect never came while still disconnected";
}

TEST_F(MicControllerConnect, SecondConnectInARowTriesAgainAfterFailure) {
    PhoneSimConfig config;
    config.handshakeStatus = 3;
    startPhone(config);
    for (int attempt = 0; attempt < 5; ++attempt) {
        ReportRecorder reports;
        MicController controller(&reports, fakes.make());
        ASSERT_EQ(controller.connect(), 0);
        const bool both = controller.connect() == 0;
        ASSERT_TRUE(reports.waitForCount(both ? 4 : 2, kConnectWait));
        if (!both) {
            continue;
        }
        EXPECT_EQ(reports.reports(),
                  (std::vector<Report>{kConnecting, {0, -6}, kConnecting, {0, -6}}));
        return;
    }
    FAIL() << "the second connect never came while still disconnected";
}

TEST_F(MicControllerConnect, StatisticsZeroedByConnectAndKeptAfterStop) {
    startPhone();
    ReceptionStats& stats = receptionStats();
    stats.rx = 5;
    stats.missed = 6;
    stats.dropped = 7;
    stats.maxDelta = 8;
    stats.startTime = 9;
    stats.endTime = 10;
    MicController controller(&recorder, fakes.make());
    ASSERT_EQ(controller.connect(), 0);
    // The receive thread starts only after the phone has answered.
    EXPECT_EQ(stats.rx.load() + stats.missed.load() + stats.dropped.load() + stats.maxDelta.load() +
                  stats.startTime.load() + stats.endTime.load(),
              0);
    ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
    ASSERT_TRUE(waitForRx(3));
    ASSERT_TRUE(fakes.clock->waitForRunning(kConnectWait));
    EXPECT_TRUE(fakes.clock->tick());
    controller.requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));

    EXPECT_GE(stats.rx.load(), 3);
    EXPECT_NE(stats.startTime.load(), 0);
    EXPECT_NE(stats.endTime.load(), 0);

    // A later stop does not clear them; only the next connect does.
    EXPECT_EQ(controller.connect(), 0);
    EXPECT_EQ(stats.rx.load(), 0);
    ASSERT_TRUE(recorder.waitForCount(6, kConnectWait));
    controller.requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(8, kConnectWait));
}

TEST_F(MicControllerConnect, DestructorStopsAConnectionWithItsReports) {
    startPhone();
    {
        MicController controller(&recorder, fakes.make());
        ASSERT_EQ(controller.connect(), 0);
        ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
    }
    EXPECT_EQ(recorder.reports(),
              (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {0, 0}}));
    EXPECT_EQ(fakes.mic->callsCopy().back(), "close");
}

TEST_F(MicControllerConnect, DestructorWaitsForAConnectInProgress) {
    PhoneSimConfig config;
    config.faults.replyDelayMs = 100;
    startPhone(config);
    {
        MicController controller(&recorder, fakes.make());
        ASSERT_EQ(controller.connect(), 0);
    }
    // Whatever the connect reached, the controller tore it down before it went.
    const auto reports = recorder.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().first, Disconnected);
}

}  // namespace
}  // namespace kavri::test
