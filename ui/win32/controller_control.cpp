#include "ui/win32/controller_control.h"

namespace kavri {

ControllerControl::ControllerControl(PlayerCallback* callback)
    : controller_(std::make_unique<MicController>(callback)) {}

ControllerControl::~ControllerControl() {
    destroy();
}

void ControllerControl::connect() {
    if (controller_)
        controller_->connect();
}

void ControllerControl::requestStop(int result) {
    if (controller_)
        controller_->requestStop(result);
}

int ControllerControl::getState() const {
    return controller_ ? controller_->getState() : Disconnected;
}

void ControllerControl::destroy() {
    controller_.reset();
}

}  // namespace kavri
