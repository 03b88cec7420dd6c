#pragma once

#include <windows.h>

namespace kavri {

// The modeless "please wait" pop-up shown while a connection is being made
// or closed. While it is shown its owner is disabled.
class ProgressPopup {
  public:
    static constexpr int TEXT_CAPACITY = 256;

    explicit ProgressPopup(HINSTANCE instance) : instance_(instance) {}
    ~ProgressPopup() { close(); }
    ProgressPopup(const ProgressPopup&) = delete;
    ProgressPopup& operator=(const ProgressPopup&) = delete;

    // Replaces a pop-up that is already shown.
    void show(HWND owner, const wchar_t* text);
    // Does nothing when none is shown.
    void close();
    bool isShown() const { return window_ != nullptr; }
    // Puts the pop-up back above its owner, e.g. after the owner was first
    // shown with the pop-up already open.
    void raise();

  private:
    HINSTANCE instance_;
    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    wchar_t text_[TEXT_CAPACITY] = {};
};

}  // namespace kavri
