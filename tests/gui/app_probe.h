#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "probe_protocol.h"

// Looks into the running client from outside, as a user's tools would:
// finds its windows and reads their texts.
class AppProbe {
  public:
    AppProbe() = default;
    ~AppProbe();
    AppProbe(const AppProbe&) = delete;
    AppProbe& operator=(const AppProbe&) = delete;

    // The main window, waiting up to timeoutMs for it to appear. Also puts
    // the in-process probe into the client's window thread.
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

    // Asks the in-process probe; false when it did not answer.
    bool ask(probe::Query query, int argument, probe::ProbeAnswer& answer) const;

  private:
    DWORD processId() const;
    bool attachProbe();

    HWND main_ = nullptr;
    HMODULE probeModule_ = nullptr;
    HHOOK hook_ = nullptr;
    UINT probeMessage_ = 0;
};

std::wstring windowText(HWND window);
