#include "core/system_controller_clock.h"

#include <chrono>

#include "platform/time_of_day.h"

namespace kavri {

int32_t SystemControllerClock::timeOfDayMs() {
    return kavri::timeOfDayMs();
}

void SystemControllerClock::pause(int ms, const std::function<bool()>& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    woken_.wait_for(lock, std::chrono::milliseconds(ms), done);
}

void SystemControllerClock::wake() {
    {
        // A pause between its check of done() and its wait holds the lock:
        // taking it here means the notification cannot fall in that gap.
        std::lock_guard<std::mutex> lock(mutex_);
    }
    woken_.notify_all();
}

}  // namespace kavri
