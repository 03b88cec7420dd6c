#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A loopback TCP port that plays an unreachable phone: it notes the time of
// every connection and closes it at once, so that each attempt of the client
// fails in its handshake. The times show the client's retry rhythm. On
// request the next connection is instead relayed to a real phone.
class AcceptRecorder {
  public:
    AcceptRecorder() = default;
    ~AcceptRecorder();
    AcceptRecorder(const AcceptRecorder&) = delete;
    AcceptRecorder& operator=(const AcceptRecorder&) = delete;

    // Listens on a free port of 127.0.0.1; returns it, or 0 on failure.
    int start();
    // Milliseconds since start() of each accepted connection, in order.
    std::vector<unsigned> times() const;
    unsigned elapsed() const;
    // The next connection goes through to this loopback port, both ways,
    // until either side closes.
    void relayNext(int port) { relayPort_ = port; }

  private:
    void run();
    void relay(SOCKET client, int port);

    SOCKET listener_ = INVALID_SOCKET;
    unsigned startTick_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> relayPort_{0};
    std::thread thread_;
    std::vector<std::thread> relays_;
    mutable std::mutex mutex_;
    std::vector<unsigned> times_;
};
