#pragma once

#include <condition_variable>
#include <mutex>

#include "core/controller_clock.h"

namespace kavri {

// The system's clock: time of day from the system time, pauses on a steady
// clock.
class SystemControllerClock : public ControllerClock {
  public:
    int32_t timeOfDayMs() override;
    void pause(int ms, const std::function<bool()>& done) override;
    void wake() override;

  private:
    std::mutex mutex_;
    std::condition_variable woken_;
};

}  // namespace kavri
