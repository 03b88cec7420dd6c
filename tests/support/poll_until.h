#pragma once

#include <chrono>
#include <thread>

namespace kavri::test {

// Polls the condition every 50 ms until it holds (true) or the time is up.
template <typename Condition>
bool pollUntil(int timeoutMs, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace kavri::test
