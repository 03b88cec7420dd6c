#pragma once

#include <memory>

#include "core/mic_controller.h"
#include "ui/connection_control.h"

namespace kavri {

// The connection workers' view of the one MicController. Once the controller
// is gone every request is ignored and the state reads Disconnected, so a
// late command can never reach a destroyed controller.
class ControllerControl : public ConnectionControl {
  public:
    explicit ControllerControl(PlayerCallback* callback);
    ~ControllerControl() override;
    ControllerControl(const ControllerControl&) = delete;
    ControllerControl& operator=(const ControllerControl&) = delete;

    void connect() override;
    void requestStop(int result) override;
    int getState() const override;
    // Destroys the controller now (stopping a running connection first).
    void destroy();

  private:
    std::unique_ptr<MicController> controller_;
};

}  // namespace kavri
