#pragma once

#include <mutex>

namespace kavri {

// A plain mutex with a label that names it in diagnostics.
class Mutex {
  public:
    explicit Mutex(const char* label);
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    const char* label() const { return label_; }

  private:
    std::mutex mutex_;
    char label_[256] = {};
};

}  // namespace kavri
