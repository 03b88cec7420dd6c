#include "ui/win32/clipboard.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace kavri {

namespace {

// Closes the clipboard on every path.
class OpenClipboardScope {
  public:
    OpenClipboardScope() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_)
            CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool isOpen() const { return open_; }

  private:
    bool open_;
};

}  // namespace

bool copyTextToClipboard(const wchar_t* text) {
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr)
        return false;
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, text, bytes);
    GlobalUnlock(memory);

    OpenClipboardScope clipboard;
    if (!clipboard.isOpen() || !EmptyClipboard() ||
        SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        // Ownership passes to the system only when SetClipboardData succeeds.
        GlobalFree(memory);
        return false;
    }
    return true;
}

}  // namespace kavri
