#pragma once

namespace kavri {

enum class MessageButtons { Ok, YesNo };

// What the connection workers show and ask, on the window thread. The
// Win32 window implements it; tests record the calls.
class ConnectionView {
  public:
    virtual ~ConnectionView() = default;

    virtual void setStateText(const wchar_t* text) = 0;
    // An empty text clears the transport part.
    virtual void setTransportText(const wchar_t* text) = 0;

    virtual void showProgress(const wchar_t* text) = 0;
    // Does nothing when no progress pop-up is shown.
    virtual void closeProgress() = 0;

    // true: Connect enabled and Disconnect disabled; false: the reverse.
    virtual void setConnectEnabled(bool connectEnabled) = 0;

    // Modal message box; returns true when the answer was Yes.
    virtual bool showMessage(const wchar_t* text, const wchar_t* title, MessageButtons buttons) = 0;
    virtual void flash() = 0;

    // Runs the transport dialog; true when it ended with OK.
    virtual bool runTransportDialog() = 0;

    // Calls ConnectionWorkers::onReconnectDue after the delay, on the window
    // thread; never after the window is gone.
    virtual void startReconnectTimer(int seconds) = 0;
};

}  // namespace kavri
