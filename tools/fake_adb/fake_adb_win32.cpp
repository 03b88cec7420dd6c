// Stands in for adb.exe in the USB tests, run from the test's current
// directory. Appends its command line exactly as it arrived to adb_calls.txt
// and answers "devices" with adb_devices.txt, or with one attached device when
// that file is absent.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::string toUtf8(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? static_cast<size_t>(bytes) : 1, '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    }
    out.resize(std::strlen(out.c_str()));
    return out;
}

// The first word of the command line that is not the program itself.
std::wstring command(const wchar_t* line) {
    std::wstring word;
    for (const wchar_t* p = line;; ++p) {
        if (*p == L' ' || *p == L'\t' || *p == L'\0') {
            const bool program = word.size() >= 3 && (word.find(L"adb") != std::wstring::npos);
            if (!word.empty() && !program) {
                return word;
            }
            word.clear();
            if (*p == L'\0') {
                return word;
            }
        } else {
            word += *p;
        }
    }
}

void record(const wchar_t* line) {
    if (FILE* calls = std::fopen("adb_calls.txt", "ab")) {
        const std::string text = toUtf8(line) + "\n";
        std::fwrite(text.data(), 1, text.size(), calls);
        std::fclose(calls);
    }
}

void printDevices() {
    _setmode(_fileno(stdout), _O_BINARY);
    FILE* listing = std::fopen("adb_devices.txt", "rb");
    if (listing == nullptr) {
        std::fputs("List of devices attached\nemulator-5554\tdevice\n\n", stdout);
        return;
    }
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, listing)) > 0) {
        std::fwrite(chunk, 1, got, stdout);
    }
    std::fclose(listing);
}

}  // namespace

int main() {
    const wchar_t* line = GetCommandLineW();
    record(line);
    if (command(line) == L"devices") {
        printDevices();
    }
    std::fflush(stdout);
    return 0;
}
