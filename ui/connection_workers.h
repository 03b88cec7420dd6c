#pragma once

#include "ui/connection_control.h"
#include "ui/connection_view.h"

namespace kavri {

// The user interface's side of connecting: the Connect and Disconnect
// commands, the automatic connection at start-up, the handling of the
// controller's state reports and the automatic retries. Runs on the window
// thread only.
class ConnectionWorkers {
  public:
    static constexpr int MAX_RECONNECT_DELAY_SECONDS = 60;

    ConnectionWorkers(ConnectionControl& control, ConnectionView& view);

    void connectCommand();
    void disconnectCommand();
    void autoConnectAtStartup();
    // One state report of the controller.
    void onStateChanged(int state, int result);
    // A scheduled retry is due.
    void onReconnectDue();

    bool userInitiated() const { return userInitiated_; }
    int reconnectDelaySeconds() const { return reconnectDelaySeconds_; }

  private:
    void startConnecting();
    void presentResult(int result);
    void scheduleRetry();
    void reportNoAudio();
    void reportLostConnection();

    ConnectionControl& control_;
    ConnectionView& view_;
    // True while the user's own command was the last to start or stop a
    // connection: failures are then shown and no retry connects.
    bool userInitiated_ = false;
    int reconnectDelaySeconds_ = 1;
};

}  // namespace kavri
