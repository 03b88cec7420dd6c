#include "app_probe.h"

#include <commctrl.h>

namespace {

const wchar_t* const kClass = L"KAVRICLIENT";
const wchar_t* const kTitle = L"Kavri Client";

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct DialogSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && className(window) == L"#32770") {
        search->found.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK collectStatic(HWND window, LPARAM param) {
    if (className(window) == L"Static") {
        reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(windowText(window));
    }
    return TRUE;
}

// Memory inside the client's process, freed on every path.
class RemoteBuffer {
  public:
    RemoteBuffer(DWORD processId, size_t size) : size_(size) {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_ != nullptr) {
            address_ =
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    void* address() const { return address_; }
    bool read(void* out) const {
        SIZE_T got = 0;
        return ReadProcessMemory(process_, address_, out, size_, &got) && got == size_;
    }

  private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

}  // namespace

std::wstring windowText(HWND window) {
    wchar_t text[4096] = {};
    // WM_GETTEXT is carried across processes by the system.
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    return text;
}

AppProbe::~AppProbe() {
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    if (probeModule_ != nullptr)
        FreeLibrary(probeModule_);
}

HWND AppProbe::findMain(int timeoutMs) {
    const DWORD start = GetTickCount();
    while ((main_ = FindWindowW(kClass, kTitle)) == nullptr) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs)
            return nullptr;
        Sleep(50);
    }
    return attachProbe() ? main_ : nullptr;
}

bool AppProbe::attachProbe() {
    if (probeModule_ == nullptr)
        probeModule_ = LoadLibraryW(L"kavri_gui_probe.dll");
    auto proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(probeModule_, "probeHook")));
    if (proc == nullptr)
        return false;
    probeMessage_ = RegisterWindowMessageW(probe::MESSAGE_NAME);
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    // A hook on one thread of another process: the system loads the probe
    // into the client when the hook is first called there.
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, proc, probeModule_,
                              GetWindowThreadProcessId(main_, nullptr));
    probe::ProbeAnswer answer{};
    return hook_ != nullptr && ask(probe::PING, 0, answer) && answer.found;
}

bool AppProbe::ask(probe::Query query, int argument, probe::ProbeAnswer& answer) const {
    RemoteBuffer buffer(processId(), sizeof answer);
    if (buffer.address() == nullptr)
        return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main_, probeMessage_, probe::request(query, argument),
                             reinterpret_cast<LPARAM>(buffer.address()), SMTO_ABORTIFHUNG, 5000,
                             &result) ||
        result != static_cast<DWORD_PTR>(probe::ANSWERED)) {
        return false;
    }
    if (!buffer.read(&answer))
        return false;
    answer.text[sizeof answer.text / sizeof answer.text[0] - 1] = L'\0';
    return true;
}

DWORD AppProbe::processId() const {
    DWORD id = 0;
    GetWindowThreadProcessId(main_, &id);
    return id;
}

HWND AppProbe::findDialog(const std::wstring& caption) const {
    DialogSearch search{processId(), {}};
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
        if (windowText(window) == caption)
            return window;
    }
    return nullptr;
}

std::vector<std::wstring> AppProbe::dialogCaptions() const {
    DialogSearch search{processId(), {}};
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    std::vector<std::wstring> captions;
    for (HWND window : search.found)
        captions.push_back(windowText(window));
    return captions;
}

bool AppProbe::statusText(int part, std::wstring& text) const {
    HWND bar = FindWindowExW(main_, nullptr, STATUSCLASSNAMEW, nullptr);
    if (bar == nullptr)
        return false;
    constexpr size_t kChars = 512;
    RemoteBuffer buffer(processId(), kChars * sizeof(wchar_t));
    if (buffer.address() == nullptr)
        return false;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0, SMTO_ABORTIFHUNG,
                             5000, &length) ||
        LOWORD(length) >= kChars) {
        return false;
    }
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(bar, SB_GETTEXTW, static_cast<WPARAM>(part),
                             reinterpret_cast<LPARAM>(buffer.address()), SMTO_ABORTIFHUNG, 5000,
                             &ignored)) {
        return false;
    }
    wchar_t local[kChars] = {};
    if (!buffer.read(local))
        return false;
    local[kChars - 1] = L'\0';
    text = local;
    return true;
}

std::vector<std::wstring> AppProbe::staticTexts(HWND dialog) const {
    std::vector<std::wstring> texts;
    EnumChildWindows(dialog, collectStatic, reinterpret_cast<LPARAM>(&texts));
    return texts;
}
