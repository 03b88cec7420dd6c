#pragma once

#include <cstdint>
#include <functional>

namespace kavri {

// Time as the controller's loops see it: the statistics' time of day and the
// keep-alive loop's pause. Tests run it by hand.
class ControllerClock {
  public:
    virtual ~ControllerClock() = default;
    // Milliseconds since midnight UTC.
    virtual int32_t timeOfDayMs() = 0;
    // Waits ms milliseconds, or less once done() holds; done() is checked
    // again at every wake().
    virtual void pause(int ms, const std::function<bool()>& done) = 0;
    // Has every pause check its done() again. Whatever done() reads must be
    // changed before the call, so that no pause can miss it.
    virtual void wake() = 0;
};

}  // namespace kavri
