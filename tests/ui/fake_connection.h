#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/connection_control.h"
#include "ui/connection_view.h"

namespace kavri::test {

// Records every call as one line of text, so a test can compare the whole
// sequence of what the user would have seen.
class RecordingView : public ConnectionView {
  public:
    std::vector<std::wstring> events;
    // Answers of the next questions and dialogs; empty: No / Cancel.
    std::vector<bool> answers;
    std::vector<bool> dialogResults;
    // Runs inside the transport dialog, e.g. to change the settings.
    std::function<void()> onDialog;
    bool progressShown = false;

    void setStateText(const wchar_t* text) override {
        events.push_back(std::wstring(L"state ") + text);
    }
    void setTransportText(const wchar_t* text) override {
        events.push_back(std::wstring(L"transport ") + text);
    }
    void showProgress(const wchar_t* text) override {
        progressShown = true;
        events.push_back(std::wstring(L"progress ") + text);
    }
    void closeProgress() override {
        if (progressShown)
            events.push_back(L"progress closed");
        progressShown = false;
    }
    void setConnectEnabled(bool connectEnabled) override {
        events.push_back(connectEnabled ? L"menu connect" : L"menu disconnect");
    }
    bool showMessage(const wchar_t* text, const wchar_t* title, MessageButtons buttons) override {
        events.push_back(std::wstring(buttons == MessageButtons::YesNo ? L"ask [" : L"message [") +
                         title + L"] " + text);
        return pop(answers);
    }
    void flash() override { events.push_back(L"flash"); }
    bool runTransportDialog() override {
        events.push_back(L"dialog");
        if (onDialog)
            onDialog();
        return pop(dialogResults);
    }
    void startReconnectTimer(int seconds) override {
        events.push_back(L"timer " + std::to_wstring(seconds));
    }

    std::vector<std::wstring> take() {
        std::vector<std::wstring> out;
        out.swap(events);
        return out;
    }

  private:
    static bool pop(std::vector<bool>& queue) {
        if (queue.empty())
            return false;
        const bool value = queue.front();
        queue.erase(queue.begin());
        return value;
    }
};

class FakeControl : public ConnectionControl {
  public:
    int connects = 0;
    std::vector<int> stops;
    int state = 0;

    void connect() override { ++connects; }
    void requestStop(int result) override { stops.push_back(result); }
    int getState() const override { return state; }
};

}  // namespace kavri::test
