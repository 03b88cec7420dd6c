#include "tools/console/console_callback.h"

#include <cstdio>

#include "tools/console/console_text.h"
#include "ui/status_texts.h"

namespace kavri {

ConsoleCallback::ConsoleCallback(bool quiet)
    : quiet_(quiet), start_(std::chrono::steady_clock::now()) {}

void ConsoleCallback::onStateChanged(int state, int result) {
    if (!quiet_) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const std::string text = wideToUtf8(stateText(state));
        if (state == Disconnected) {
            std::printf("[%7.3f] %s (result %d)\n", seconds, text.c_str(), result);
        } else {
            std::printf("[%7.3f] %s\n", seconds, text.c_str());
        }
        std::fflush(stdout);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state == Connecting) {
            started_ = true;
        } else if (state == Connected) {
            connected_ = true;
        } else if (state == Disconnected && started_) {
            ended_ = true;
            finalResult_ = result;
        }
    }
    changed_.notify_all();
}

bool ConsoleCallback::waitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return ended_; });
}

int ConsoleCallback::finalResult() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finalResult_;
}

bool ConsoleCallback::wasConnected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connected_;
}

}  // namespace kavri
