#include "ui/connection_workers.h"

#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "common/transport_type.h"
#include "core/connection_state.h"
#include "settings/settings.h"
#include "tests/ui/fake_connection.h"

namespace kavri {
namespace {

using Events = std::vector<std::wstring>;

class ConnectionWorkersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedAuto_ = Settings::isAutoConnect();
        savedTransport_ = Settings::getTransportType();
        savedMediaPort_ = Settings::getMediaPort();
        Settings::setAutoConnect(false);
        Settings::setTransportType(TRANSPORT_USB);
        Settings::setMediaPort(49152);
    }
    void TearDown() override {
        Settings::setAutoConnect(savedAuto_);
        Settings::setTransportType(savedTransport_);
        Settings::setMediaPort(savedMediaPort_);
    }

    // The controller's two reports of a connect that fails with result.
    void failedAttempt(int result) {
        workers.onStateChanged(Connecting, RESULT_OK);
        workers.onStateChanged(Disconnected, result);
    }

    test::FakeControl control;
    test::RecordingView view;
    ConnectionWorkers workers{control, view};

  private:
    bool savedAuto_ = false;
    int savedTransport_ = 0;
    int savedMediaPort_ = 0;
};

TEST_F(ConnectionWorkersTest, AutomaticFailuresRetryWithDoublingDelayCappedAtSixty) {
    Settings::setAutoConnect(true);
    workers.autoConnectAtStartup();
    EXPECT_FALSE(workers.userInitiated());
    EXPECT_EQ(control.connects, 1);

    std::vector<int> delays;
    for (int attempt = 0; attempt < 7; ++attempt) {
        failedAttempt(-5);
        const Events events = view.take();
        ASSERT_EQ(events.size(), 6u);
        EXPECT_EQ(events[0], L"state Connecting...");
        EXPECT_EQ(events[1], L"progress Connecting. Please wait ...");
        EXPECT_EQ(events[2], L"progress closed");
        EXPECT_EQ(events[3], L"state Disconnected");
        EXPECT_EQ(events[4], L"menu connect");
        ASSERT_EQ(events[5].rfind(L"timer ", 0), 0u) << "nothing but a retry is shown";
        delays.push_back(std::stoi(events[5].substr(6)));
        workers.onReconnectDue();
        EXPECT_EQ(control.connects, attempt + 2);
    }
    EXPECT_EQ(delays, (std::vector<int>{2, 4, 8, 16, 32, 60, 60}));
}

TEST_F(ConnectionWorkersTest, SuccessResetsTheRetryRhythm) {
    Settings::setAutoConnect(true);
    workers.autoConnectAtStartup();
    failedAttempt(-6);
    failedAttempt(-6);
    EXPECT_EQ(workers.reconnectDelaySeconds(), 4);
    workers.onStateChanged(Connecting, RESULT_OK);
    workers.onStateChanged(Connected, RESULT_OK);
    EXPECT_EQ(workers.reconnectDelaySeconds(), 1);
    view.take();
    // A stop reported as (0, 0) while nobody asked for it retries too.
    workers.onStateChanged(Disconnecting, RESULT_OK);
    workers.onStateChanged(Disconnected, RESULT_OK);
    EXPECT_EQ(view.take().back(), L"timer 2");
}

TEST_F(ConnectionWorkersTest, CancelledDialogStopsAWaitingRetry) {
    Settings::setAutoConnect(true);
    workers.autoConnectAtStartup();
    failedAttempt(-5);
    ASSERT_EQ(view.events.back(), L"timer 2");

    workers.connectCommand();  // the user cancels the dialog
    EXPECT_TRUE(workers.userInitiated());
    EXPECT_EQ(control.connects, 1) << "a cancelled dialog does not connect";

    workers.onReconnectDue();
    EXPECT_EQ(control.connects, 1) << "the waiting retry does nothing";
}

TEST_F(ConnectionWorkersTest, ConfirmedDialogShowsTransportAndConnects) {
    view.dialogResults = {true};
    view.onDialog = [] { Settings::setTransportType(TRANSPORT_WIFI); };
    workers.connectCommand();
    EXPECT_EQ(view.take(), (Events{L"dialog", L"transport WI-FI"}));
    EXPECT_EQ(control.connects, 1);
    EXPECT_TRUE(workers.userInitiated());
}

TEST_F(ConnectionWorkersTest, UsersFailedConnectIsShownAndNothingScheduled) {
    Settings::setAutoConnect(true);
    view.dialogResults = {true};
    workers.connectCommand();
    view.take();
    failedAttempt(-5);
    EXPECT_EQ(view.take(), (Events{L"state Connecting...", L"progress Connecting. Please wait ...",
                                   L"progress closed", L"state Disconnected", L"menu connect",
                                   L"message [Error] Fail to connect to server."}));
}

TEST_F(ConnectionWorkersTest, OtherCodesShowTheirTextOrTheFallback) {
    workers.connectCommand();
    view.take();
    workers.onStateChanged(Disconnected, RESULT_MEDIA_OPEN_FAILED);
    workers.onStateChanged(Disconnected, -3);
    const Events events = view.take();
    EXPECT_EQ(events[2], L"message [Error] Fail to connect to server for media stream.");
    EXPECT_EQ(events[5], L"message [Error] Error: -3");
}

TEST_F(ConnectionWorkersTest, LostConnectionWithoutAutoConnectFlashesAndAsks) {
    workers.connectCommand();
    workers.onStateChanged(Connected, RESULT_OK);
    view.take();
    workers.onStateChanged(Disconnecting, RESULT_OK);
    workers.onStateChanged(Disconnected, RESULT_CONNECTION_LOST);  // the user answers No
    EXPECT_EQ(view.take(),
              (Events{L"state Disconencting...", L"progress Disconnecting. Please wait ...",
                      L"progress closed", L"state Disconnected", L"menu connect", L"flash",
                      L"ask [Kavri Client] Connection aborted. Do you want to connect again?"}));
    EXPECT_EQ(control.connects, 0);
}

TEST_F(ConnectionWorkersTest, YesToTheLossQuestionRunsTheConnectCommand) {
    view.answers = {true};
    view.dialogResults = {true};
    workers.onStateChanged(Disconnected, RESULT_CONNECTION_LOST);
    const Events events = view.take();
    EXPECT_EQ(events[events.size() - 2], L"dialog");
    EXPECT_EQ(events.back(), L"transport USB");
    EXPECT_EQ(control.connects, 1);
    EXPECT_TRUE(workers.userInitiated());
}

TEST_F(ConnectionWorkersTest, LostConnectionWithAutoConnectReconnectsAtOnce) {
    Settings::setAutoConnect(true);
    view.dialogResults = {true};
    workers.connectCommand();
    failedAttempt(-5);  // shown: the user started it
    workers.onStateChanged(Connecting, RESULT_OK);
    workers.onStateChanged(Connected, RESULT_OK);
    view.take();
    const int before = control.connects;

    workers.onStateChanged(Disconnecting, RESULT_OK);
    workers.onStateChanged(Disconnected, RESULT_CONNECTION_LOST);
    EXPECT_EQ(view.take(),
              (Events{L"state Disconencting...", L"progress Disconnecting. Please wait ...",
                      L"progress closed", L"state Disconnected", L"menu connect"}));
    EXPECT_EQ(control.connects, before + 1);
    EXPECT_FALSE(workers.userInitiated());
    EXPECT_EQ(workers.reconnectDelaySeconds(), 1);

    failedAttempt(-5);  // the immediate attempt fails: the rhythm starts at 2 s
    EXPECT_EQ(view.take().back(), L"timer 2");
}

TEST_F(ConnectionWorkersTest, NoAudioOverUsbShowsTwoLines) {
    workers.connectCommand();
    view.take();
    workers.onStateChanged(Disconnected, RESULT_NO_AUDIO);
    EXPECT_EQ(
        view.take(),
        (Events{L"state Disconnected", L"menu connect", L"flash",
                L"message [Error] No audio data has been received. Please check below items:\n"
                L" - App on phone has been granted microphone access permission."}));
}

TEST_F(ConnectionWorkersTest, NoAudioOverWifiNamesTheMediaPort) {
    Settings::setTransportType(TRANSPORT_WIFI);
    workers.connectCommand();
    view.take();
    workers.onStateChanged(Disconnected, RESULT_NO_AUDIO);
    EXPECT_EQ(view.take().back(),
              L"message [Error] No audio data has been received. Please check below items:\n"
              L" - App on phone has been granted microphone access permission.\n"
              L" - Your computer firewall should not block UDP port 49152.");

    Settings::setMediaPort(5000);
    workers.onStateChanged(Disconnected, RESULT_NO_AUDIO);
    const std::wstring text = view.take().back();
    EXPECT_EQ(text.substr(text.rfind(L'\n')),
              L"\n - Your computer firewall should not block UDP port 5000.");
}

TEST_F(ConnectionWorkersTest, UsersDisconnectShowsNothing) {
    workers.autoConnectAtStartup();
    workers.onStateChanged(Connecting, RESULT_OK);
    workers.onStateChanged(Connected, RESULT_OK);
    view.take();
    Settings::setAutoConnect(true);
    workers.disconnectCommand();
    EXPECT_EQ(control.stops, (std::vector<int>{0}));
    EXPECT_TRUE(workers.userInitiated());
    workers.onStateChanged(Disconnecting, RESULT_OK);
    workers.onStateChanged(Disconnected, RESULT_OK);
    EXPECT_EQ(view.take(),
              (Events{L"state Disconencting...", L"progress Disconnecting. Please wait ...",
                      L"progress closed", L"state Disconnected", L"menu connect"}));
}

TEST_F(ConnectionWorkersTest,
       RetryWaitingWhenAutoConnectIsSwitchedOffStillConnectsAndShowsItsFailure) {
    Settings::setAutoConnect(true);
    workers.autoConnectAtStartup();
    failedAttempt(-5);
    Settings::setAutoConnect(false);
    workers.onReconnectDue();
    EXPECT_EQ(control.connects, 2);
    view.take();
    failedAttempt(-6);
    EXPECT_EQ(view.take().back(),
              L"message [Error] Fail to communicate with Kavri on Android phone. Check if it has "
              L"been started.");
}

TEST_F(ConnectionWorkersTest, MenuRulesForEveryState) {
    struct Case {
        int state;
        Events expected;
    };
    const Case cases[] = {
        {Disconnected, {L"state Disconnected", L"menu connect"}},
        {Connecting, {L"state Connecting...", L"progress Connecting. Please wait ..."}},
        {Connected, {L"state Connected", L"menu disconnect"}},
        {Disconnecting, {L"state Disconencting...", L"progress Disconnecting. Please wait ..."}},
        {Aborting, {L"state Aborting..."}},
        {AutoConnecting, {L"state Auto connecting...", L"menu disconnect"}},
        {6, {L"state Unknown state"}},
        {-1, {L"state Unknown state"}},
    };
    workers.connectCommand();  // user-initiated: a (0, 0) shows nothing
    for (const Case& c : cases) {
        view.closeProgress();
        view.take();
        workers.onStateChanged(c.state, RESULT_OK);
        EXPECT_EQ(view.take(), c.expected) << "state " << c.state;
    }
}

TEST_F(ConnectionWorkersTest, ProgressClosesAtTheNextReportWhateverItIs) {
    workers.connectCommand();
    for (int next : {int{Disconnected}, int{Connected}, int{Aborting}, 6}) {
        workers.onStateChanged(Connecting, RESULT_OK);
        view.take();
        workers.onStateChanged(next, RESULT_VERSION_MISMATCH);
        const Events events = view.take();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front(), L"progress closed") << "next state " << next;
        EXPECT_FALSE(view.progressShown);
    }
}

}  // namespace
}  // namespace kavri
