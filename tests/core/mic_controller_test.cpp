#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "core/result_codes.h"
#include "tests/core/mic_controller_phone.h"
#include "transport/wifi/socket_routines.h"

namespace kavri::test {
namespace {

const Report kConnecting{Connecting, RESULT_OK};
const Report kConnected{Connected, RESULT_OK};
const Report kDisconnecting{Disconnecting, RESULT_OK};

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

    // Starts a phone that answers each request after 200 ms and a connect to
    // it; returns once the connect is under way.
    void connectSlowly(MicController& controller) {
        PhoneSimConfig config;
        config.faults.replyDelayMs = 200;
        startPhone(config);
        ASSERT_EQ(controller.connect(), 0);
        ASSERT_TRUE(waitUntil([&] { return controller.getState() == Connecting; }, kConnectWait));
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
              (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {Disconnected, RESULT_OK}}));
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
    {"WrongHandshakeReplyType", [](PhoneSimConfig& c) { c.faults.wrongReplyTo = "e"; }, RESULT_VERSION_MISMATCH},
    {"HandshakeStatusNonZero", [](PhoneSimConfig& c) { c.handshakeStatus = 1; }, RESULT_HANDSHAKE_FAILED},
    {"HandshakeConnectionClosed", [](PhoneSimConfig& c) { c.faults.closeOn = "e"; }, RESULT_HANDSHAKE_FAILED},
    {"SetupStatusNonZero", [](PhoneSimConfig& c) { c.setupStatus = 2; }, RESULT_VERSION_MISMATCH},
    {"WrongSetupReplyType", [](PhoneSimConfig& c) { c.faults.wrongReplyTo = "f"; }, RESULT_VERSION_MISMATCH},
    {"StartStatusNonZero", [](PhoneSimConfig& c) { c.startStatus = 1; }, RESULT_CANNOT_START},
    {"StartConnectionClosed", [](PhoneSimConfig& c) { c.faults.closeOn = "g"; }, RESULT_CANNOT_START},
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
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {Disconnected, RESULT_CANNOT_CONNECT}}));
    expectOutputsUntouched();
}

TEST_F(MicControllerConnect, MediaPortInUseFailsWithMediaResult) {
    startPhone();
    const socket_t taken = bindUdpSocket(mediaPort);
    ASSERT_NE(taken, INVALID_SOCKET_VALUE);
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {Disconnected, RESULT_MEDIA_OPEN_FAILED}}));
    closeSocket(taken);
    expectOutputsUntouched();
}

TEST_F(MicControllerConnect, UnknownTransportFailsWithCannotStart) {
    startPhone();
    Settings::setTransportType(4);  // no transport has this number
    EXPECT_EQ(failedConnect(), (std::vector<Report>{kConnecting, {Disconnected, RESULT_CANNOT_START}}));
    EXPECT_EQ(phone->connectionCount(), 0);
}

TEST_F(MicControllerConnect, RefusesConnectWhileConnectingOrConnected) {
    MicController controller(&recorder, fakes.make());
    ASSERT_NO_FATAL_FAILURE(connectSlowly(controller));
    EXPECT_EQ(controller.connect(), -1);
    ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
    EXPECT_EQ(controller.connect(), -1);

    // A Disconnect while connecting only sets the result; the connect went on.
    controller.requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports(),
              (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {Disconnected, RESULT_OK}}));
    EXPECT_EQ(phone->connectionCount(), 1);
}

// Calls connect twice from inside the report of the first failed connect.
// At that moment the failed attempt still holds the controller's lock and the
// state is already Disconnected, so both calls are accepted and both connect
// threads have to wait for the lock: two connects in a row, without a race.
class ConnectTwiceOnFailure : public PlayerCallback {
  public:
    void onStateChanged(int state, int result) override {
        recorder.onStateChanged(state, result);
        if (state == Disconnected && result != 0 && !fired_.exchange(true)) {
            if (beforeConnects)
                beforeConnects();
            first = controller->connect();
            second = controller->connect();
        }
    }

    ReportRecorder recorder;
    MicController* controller = nullptr;
    std::function<void()> beforeConnects;
    std::atomic<int> first{1};
    std::atomic<int> second{1};

  private:
    std::atomic<bool> fired_{false};
};

PhoneSimConfig refusingHandshake() {
    PhoneSimConfig config;
    config.listenAddress = "127.0.0.1";
    config.controlPort = 0;
    config.handshakeStatus = 3;
    return config;
}

TEST_F(MicControllerConnect, SecondConnectInARowAddsNothingAfterSuccess) {
    startPhone();
    const int goodPort = phone->controlPort();
    PhoneSimulator refusing(refusingHandshake());
    ASSERT_TRUE(refusing.start()) << refusing.lastError();
    Settings::setControlPort(refusing.controlPort());

    ConnectTwiceOnFailure callback;
    callback.beforeConnects = [goodPort] { Settings::setControlPort(goodPort); };
    {
        MicController controller(&callback, fakes.make());
        callback.controller = &controller;
        ASSERT_EQ(controller.connect(), 0);
        ASSERT_TRUE(callback.recorder.waitForCount(4, kConnectWait));
        EXPECT_EQ(callback.first.load(), 0);
        EXPECT_EQ(callback.second.load(), 0);
        // The destructor waits for both connect threads before it stops.
    }
    EXPECT_EQ(callback.recorder.reports(),
              (std::vector<Report>{
                  kConnecting, {Disconnected, RESULT_HANDSHAKE_FAILED}, kConnecting, kConnected, kDisconnecting, {Disconnected, RESULT_OK}}));
    EXPECT_EQ(phone->connectionCount(), 1);
}

TEST_F(MicControllerConnect, SecondConnectInARowTriesAgainAfterFailure) {
    PhoneSimulator refusing(refusingHandshake());
    ASSERT_TRUE(refusing.start()) << refusing.lastError();
    useLoopbackPhone(refusing.controlPort(), pickFreeUdpPort());

    ConnectTwiceOnFailure callback;
    {
        MicController controller(&callback, fakes.make());
        callback.controller = &controller;
        ASSERT_EQ(controller.connect(), 0);
        ASSERT_TRUE(callback.recorder.waitForCount(6, kConnectWait));
        EXPECT_EQ(callback.first.load(), 0);
        EXPECT_EQ(callback.second.load(), 0);
    }
    EXPECT_EQ(
        callback.recorder.reports(),
        (std::vector<Report>{kConnecting, {Disconnected, RESULT_HANDSHAKE_FAILED}, kConnecting, {Disconnected, RESULT_HANDSHAKE_FAILED}, kConnecting, {Disconnected, RESULT_HANDSHAKE_FAILED}}));
    EXPECT_EQ(refusing.connectionCount(), 3);
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
              (std::vector<Report>{kConnecting, kConnected, kDisconnecting, {Disconnected, RESULT_OK}}));
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
