#pragma once

#include <windows.h>

namespace kavri {

// The main window's status bar: part 0 the connection state, part 1 the
// transport, part 2 empty.
class StatusBar {
  public:
    StatusBar() = default;
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    bool create(HWND parent, HINSTANCE instance);
    void setStateText(const wchar_t* text);
    void setTransportText(const wchar_t* text);
    // Lets the control lay itself out again after its parent moved or resized.
    void relayout(WPARAM wParam, LPARAM lParam);
    // The control goes with its parent window; this only forgets it.
    void forget() { window_ = nullptr; }

  private:
    void setPart(int part, const wchar_t* text);

    HWND window_ = nullptr;
};

}  // namespace kavri
