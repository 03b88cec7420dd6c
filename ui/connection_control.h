#pragma once

namespace kavri {

// The controller operations the connection workers use; the program passes
// the real controller, tests a fake.
class ConnectionControl {
  public:
    virtual ~ConnectionControl() = default;
    // Starts a connect unless one is running; the result is not used.
    virtual void connect() = 0;
    virtual void requestStop(int result) = 0;
    virtual int getState() const = 0;
};

}  // namespace kavri
