#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Looks into the running client from outside, as a user's tools would:
// finds its windows and reads their texts.
class AppProbe {
  public:
    // The main window, waiting up to timeoutMs for it to appear.
    HWND findMain(int timeoutMs);
    HWND main() const { return main_; }

    // A visible top-level dialog of the client with this caption; null if none.
    HWND findDialog(const std::wstring& caption) const;
    // Captions of every visible top-level dialog of the client.
    std::vector<std::wstring> dialogCaptions() const;

    // Text of one status-bar part, read through the client's own memory.
    bool statusText(int part, std::wstring& text) const;
    // Texts of a dialog's static controls, in creation order.
    std::vector<std::wstring> staticTexts(HWND dialog) const;

  private:
    DWORD processId() const;

    HWND main_ = nullptr;
};

std::wstring windowText(HWND window);
