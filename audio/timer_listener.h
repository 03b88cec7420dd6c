#pragma once

namespace kavri {

class TimerListener {
  public:
    virtual ~TimerListener() = default;
    // One playout tick.
    virtual void onTimer() = 0;
};

}  // namespace kavri
