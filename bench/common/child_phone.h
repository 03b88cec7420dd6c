#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavri::bench {

// The phone simulator as a child process on loopback, so that its own work
// (and its allocations) stay out of the measured process.
class ChildPhone {
  public:
    ChildPhone() = default;
    ~ChildPhone();
    ChildPhone(const ChildPhone&) = delete;
    ChildPhone& operator=(const ChildPhone&) = delete;

    // Starts the program with these extra options; false when it did not
    // come up and name its port.
    bool start(const std::string& program, const std::vector<std::string>& options);
    void stop();
    int controlPort() const { return port_; }

  private:
    pid_t pid_ = -1;
    int port_ = -1;
};

}  // namespace kavri::bench
