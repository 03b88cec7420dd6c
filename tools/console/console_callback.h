#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/connection_state.h"

namespace kavri {

// Prints every state change with its status-bar text and remembers how the
// connection attempt ended.
class ConsoleCallback : public PlayerCallback {
  public:
    explicit ConsoleCallback(bool quiet);

    void onStateChanged(int state, int result) override;

    // Waits up to timeout for a change; true once the attempt has ended.
    bool waitForEnd(std::chrono::milliseconds timeout);
    int finalResult() const;
    bool wasConnected() const;

  private:
    const bool quiet_;
    const std::chrono::steady_clock::time_point start_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool connected_ = false;
    bool ended_ = false;
    int finalResult_ = 0;
};

}  // namespace kavri
