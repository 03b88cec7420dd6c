#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bench/common/child_phone.h"
#include "core/mic_controller.h"

namespace kavri::bench {

// A controller connected to a simulated phone, with outputs that take every
// frame and do nothing with it. With a manual timer only the benchmark
// ticks; otherwise the system's timer does.
class BenchController {
  public:
    BenchController(const std::vector<std::string>& phoneOptions, bool systemTimer);
    ~BenchController();

    bool connected() const { return connected_; }
    MicController& controller() { return *controller_; }

  private:
    class Callback;
    ChildPhone phone_;
    std::unique_ptr<Callback> callback_;
    std::unique_ptr<MicController> controller_;
    bool connected_ = false;
};

}  // namespace kavri::bench
