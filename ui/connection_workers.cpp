#include "ui/connection_workers.h"

#include <algorithm>

#include "core/connection_state.h"
#include "core/result_codes.h"
#include "settings/settings.h"
#include "ui/status_texts.h"

namespace kavri {

namespace {
constexpr const wchar_t* kAppTitle = L"Kavri Client";
constexpr const wchar_t* kErrorTitle = L"Error";
}  // namespace

ConnectionWorkers::ConnectionWorkers(ConnectionControl& control, ConnectionView& view)
    : control_(control), view_(view) {}

void ConnectionWorkers::connectCommand() {
    // Set before the dialog opens: even a cancelled dialog stops a waiting retry.
    userInitiated_ = true;
    if (!view_.runTransportDialog())
        return;
    view_.setTransportText(transportText(Settings::getTransportType()));
    startConnecting();
}

void ConnectionWorkers::disconnectCommand() {
    userInitiated_ = true;
    control_.requestStop(RESULT_OK);
}

void ConnectionWorkers::autoConnectAtStartup() {
    userInitiated_ = false;
    startConnecting();
}

void ConnectionWorkers::onReconnectDue() {
    if (!userInitiated_)
        startConnecting();
}

void ConnectionWorkers::startConnecting() {
    control_.connect();
}

void ConnectionWorkers::onStateChanged(int state, int result) {
    view_.closeProgress();
    view_.setStateText(stateText(state));
    switch (state) {
        case Disconnected:
            presentResult(result);
            break;
        case Connecting:
            view_.showProgress(L"Connecting. Please wait ...");
            break;
        case Connected:
            reconnectDelaySeconds_ = 1;
            view_.setConnectEnabled(false);
            break;
        case Disconnecting:
            view_.showProgress(L"Disconnecting. Please wait ...");
            break;
        case AutoConnecting:
            view_.setConnectEnabled(false);
            break;
        default:
            break;
    }
}

void ConnectionWorkers::presentResult(int result) {
    view_.setConnectEnabled(true);
    if (!userInitiated_ && Settings::isAutoConnect()) {
        scheduleRetry();
        return;
    }
    switch (result) {
        case RESULT_OK:
            break;
        case RESULT_NO_AUDIO:
            reportNoAudio();
            break;
        case RESULT_CONNECTION_LOST:
            reportLostConnection();
            break;
        default:
            view_.showMessage(resultMessage(result), kErrorTitle, MessageButtons::Ok);
            break;
    }
}

void ConnectionWorkers::scheduleRetry() {
    reconnectDelaySeconds_ = std::min(reconnectDelaySeconds_ * 2, MAX_RECONNECT_DELAY_SECONDS);
    view_.startReconnectTimer(reconnectDelaySeconds_);
}

void ConnectionWorkers::reportNoAudio() {
    const wchar_t* text =
        noAudioMessage(Settings::getTransportType() == TRANSPORT_WIFI, Settings::getMediaPort());
    view_.flash();
    view_.showMessage(text, kErrorTitle, MessageButtons::Ok);
}

void ConnectionWorkers::reportLostConnection() {
    if (Settings::isAutoConnect()) {
        userInitiated_ = false;
        reconnectDelaySeconds_ = 1;
        startConnecting();
        return;
    }
    view_.flash();
    if (view_.showMessage(connectionLostQuestion(), kAppTitle, MessageButtons::YesNo)) {
        connectCommand();
    }
}

}  // namespace kavri
