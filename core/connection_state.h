#pragma once

namespace kavri {

enum ConnectionState : int {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    Disconnecting = 3,
    // Only ever shown on the status bar; the controller never enters these.
    Aborting = 4,
    AutoConnecting = 5,
};

// Receives every state change of the controller, synchronously, on whichever
// thread made the change.
class PlayerCallback {
  public:
    virtual void onStateChanged(int state, int result) = 0;

  protected:
    ~PlayerCallback() = default;
};

}  // namespace kavri
