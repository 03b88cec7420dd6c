// Looks at an installed Kavri Client the way Windows itself does, for the
// installer test: known folders, shortcuts (through the shell's link object),
// the user's registry, a file's version record and icons; starts shortcuts
// and command lines; ends the program through its Exit command; finds and
// presses the installer's buttons. Queries, run in order:
//   folders | link LNK | reg SUBKEY | reg-set SUBKEY NAME TEXT | version FILE
//   first-icon FILE | open LNK | run "COMMAND LINE" MS | wait-window MS
//   exit-program MS | wait-text CAPTION TEXT MS | control-text CAPTION ID MS
//   press CAPTION ID|ANCHOR/ID MS
// Each prints "key=value" lines in UTF-8; a failed query prints an empty
// value or an error line, so the test script sees what Windows answered.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/poll_until.h"

using kavri::test::pollUntil;

namespace {

constexpr wchar_t kWindowClass[] = L"KAVRICLIENT";
constexpr int kExitCommand = 105;

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// One line per value: line ends inside a text are shown as "|".
void print(const std::string& key, const std::wstring& value) {
    std::wstring line;
    for (wchar_t c : value) {
        if (c == L'\n')
            line += L'|';
        else if (c != L'\r')
            line += c;
    }
    std::printf("%s=%s\n", key.c_str(), utf8(line).c_str());
}

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        result = path;
    CoTaskMemFree(path);
    return result;
}

void printKnownFolder(const char* key, REFKNOWNFOLDERID id) {
    print(key, knownFolder(id));
}

void folders() {
    // Windows defines the user's own programs folder as LocalAppData\Programs;
    // Wine 8 does not know the folder's id.
    std::wstring programs = knownFolder(FOLDERID_UserProgramFiles);
    if (programs.empty() && !knownFolder(FOLDERID_LocalAppData).empty())
        programs = knownFolder(FOLDERID_LocalAppData) + L"\\Programs";
    print("folder.UserProgramFiles", programs);
    printKnownFolder("folder.Programs", FOLDERID_Programs);
    printKnownFolder("folder.Desktop", FOLDERID_Desktop);
    printKnownFolder("folder.Startup", FOLDERID_Startup);
}

// What Explorer reads from a shortcut: target, arguments, working directory.
void link(const std::wstring& path) {
    IShellLinkW* shellLink = nullptr;
    IPersistFile* file = nullptr;
    wchar_t text[MAX_PATH] = {};
    bool loaded =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink))) &&
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    if (!loaded) {
        print("link.error", path);
    } else {
        text[0] = 0;
        shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        print("link.target", text);
        text[0] = 0;
        shellLink->GetWorkingDirectory(text, MAX_PATH);
        print("link.workdir", text);
        text[0] = 0;
        shellLink->GetArguments(text, MAX_PATH);
        print("link.args", text);
    }
    if (file)
        file->Release();
    if (shellLink)
        shellLink->Release();
}

// Every value of one key under HKEY_CURRENT_USER, or "reg.missing=1".
void registryKey(const std::wstring& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        print("reg.missing", L"1");
        return;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[2048];
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        std::wstring value;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[dataSize] = 0;
            data[dataSize + 1] = 0;
            value = reinterpret_cast<const wchar_t*>(data);
        } else if (type == REG_DWORD && dataSize == 4) {
            DWORD number;
            std::memcpy(&number, data, 4);
            value = L"dword:" + std::to_wstring(number);
        } else {
            value = L"type:" + std::to_wstring(type);
        }
        print("reg." + utf8(name), value);
    }
    RegCloseKey(key);
}

void setRegistryText(const std::wstring& subkey, const std::wstring& name,
                     const std::wstring& value) {
    LSTATUS status =
        RegSetKeyValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    print("reg-set", status == ERROR_SUCCESS ? L"ok" : L"fail");
}

// The file's properties as Explorer's Details tab reads them.
void version(const std::wstring& path) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        print("version.error", path);
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        wchar_t text[64];
        std::swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                      LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                      LOWORD(fixed->dwFileVersionLS));
        print("version.fixed", text);
    }
    for (const wchar_t* name :
         {L"ProductName", L"ProductVersion", L"FileVersion", L"FileDescription", L"CompanyName",
          L"LegalCopyright", L"OriginalFilename"}) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        wchar_t* value = nullptr;
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                           &length) &&
            value)
            print("version." + utf8(name), value);
    }
}

BOOL CALLBACK firstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR result) {
    *reinterpret_cast<std::wstring*>(result) =
        IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                             : std::wstring(name);
    return FALSE;
}

// Explorer shows a program's first icon group as the file's icon.
void firstIcon(const std::wstring& path) {
    std::wstring name;
    if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceNamesW(module, RT_GROUP_ICON, firstName, reinterpret_cast<LONG_PTR>(&name));
        FreeLibrary(module);
    }
    print("icon.first", name);
}

// Starts a shortcut as a double click in Explorer does.
void open(const std::wstring& path) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    print("open", ShellExecuteExW(&info) ? L"ok" : L"fail " + std::to_wstring(GetLastError()));
}

// Runs a command line exactly as given (no quoting added) and waits for it.
void run(const std::wstring& commandLine, int timeoutMs) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        print("run", L"fail " + std::to_wstring(GetLastError()));
        return;
    }
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code))
        print("run", std::to_wstring(code));
    else
        print("run", L"timeout");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void waitWindow(int timeoutMs) {
    bool found = pollUntil(timeoutMs, [] { return FindWindowW(kWindowClass, nullptr) != nullptr; });
    print("window", found ? L"1" : L"0");
}

// Chooses Exit in the program's menu and waits for the process to end.
void exitProgram(int timeoutMs) {
    HWND window = FindWindowW(kWindowClass, nullptr);
    DWORD processId = 0;
    if (window)
        GetWindowThreadProcessId(window, &processId);
    HANDLE process =
        processId ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)
                  : nullptr;
    if (!process) {
        print("exit", L"no program");
        return;
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kExitCommand, 0), 0);
    DWORD code = 0;
    if (WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process, &code))
        print("exit", std::to_wstring(code));
    else
        print("exit", L"timeout");
    CloseHandle(process);
}

// The installer's windows, found by the start of their caption (the wizard
// and its message boxes share it) and a control or text they hold.
struct WindowSearch {
    const std::wstring* title;
    int controlId;
    const std::wstring* text;
    HWND found;
};

BOOL CALLBACK hasText(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t text[2048] = {};
    GetWindowTextW(child, text, 2048);
    if (IsWindowVisible(child) && std::wcsstr(text, search->text->c_str()) != nullptr) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK matchTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t caption[256] = {};
    GetWindowTextW(window, caption, 256);
    // The wizard adds the page's name to its caption.
    if (!IsWindowVisible(window) ||
        std::wcsncmp(caption, search->title->c_str(), search->title->size()) != 0)
        return TRUE;
    if (search->text) {
        EnumChildWindows(window, hasText, param);
        return search->found == nullptr;
    }
    HWND control = GetDlgItem(window, search->controlId);
    if (control && IsWindowVisible(control)) {
        search->found = control;
        return FALSE;
    }
    return TRUE;
}

HWND findControl(const std::wstring& title, int controlId, int timeoutMs) {
    WindowSearch search{&title, controlId, nullptr, nullptr};
    pollUntil(timeoutMs, [&] {
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

// Waits for a window with this caption to show a control holding the text.
void waitText(const std::wstring& title, const std::wstring& text, int timeoutMs) {
    WindowSearch search{&title, 0, &text, nullptr};
    pollUntil(timeoutMs, [&] {
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    wchar_t shown[2048] = {};
    if (search.found)
        GetWindowTextW(search.found, shown, 2048);
    print("text", shown);
}

void controlText(const std::wstring& title, int controlId, int timeoutMs) {
    wchar_t text[2048] = {};
    if (HWND control = findControl(title, controlId, timeoutMs))
        GetWindowTextW(control, text, 2048);
    print("control", text);
}

// Presses a button as a click does: its dialog gets the command. "A/B"
// presses B in the window that holds A (the wizard and its message box both
// have a Cancel button).
void press(const std::wstring& title, const std::wstring& ids, int timeoutMs) {
    size_t slash = ids.find(L'/');
    int anchorId = _wtoi(ids.c_str());
    int controlId = slash == std::wstring::npos ? anchorId : _wtoi(ids.c_str() + slash + 1);
    HWND anchor = findControl(title, anchorId, timeoutMs);
    HWND button = anchor ? GetDlgItem(GetParent(anchor), controlId) : nullptr;
    if (button)
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    print("press", button ? L"ok" : L"not found");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    for (int i = 1; i < argc; ++i) {
        std::wstring query = argv[i];
        if (query == L"folders") {
            folders();
        } else if (query == L"link") {
            link(arg(++i));
        } else if (query == L"reg") {
            registryKey(arg(++i));
        } else if (query == L"reg-set") {
            setRegistryText(arg(i + 1), arg(i + 2), arg(i + 3));
            i += 3;
        } else if (query == L"version") {
            version(arg(++i));
        } else if (query == L"first-icon") {
            firstIcon(arg(++i));
        } else if (query == L"open") {
            open(arg(++i));
        } else if (query == L"run") {
            run(arg(i + 1), _wtoi(arg(i + 2).c_str()));
            i += 2;
        } else if (query == L"wait-text") {
            waitText(arg(i + 1), arg(i + 2), _wtoi(arg(i + 3).c_str()));
            i += 3;
        } else if (query == L"control-text") {
            controlText(arg(i + 1), _wtoi(arg(i + 2).c_str()), _wtoi(arg(i + 3).c_str()));
            i += 3;
        } else if (query == L"press") {
            press(arg(i + 1), arg(i + 2), _wtoi(arg(i + 3).c_str()));
            i += 3;
        } else if (query == L"wait-window") {
            waitWindow(_wtoi(arg(++i).c_str()));
        } else if (query == L"exit-program") {
            exitProgram(_wtoi(arg(++i).c_str()));
        } else {
            print("error", L"unknown query " + query);
        }
    }
    std::fflush(stdout);
    CoUninitialize();
    return 0;
}
