#include "transport/usb/adb_runner.h"

#include <cstring>
#include <cwchar>

#include "platform/child_process.h"

namespace kavri {

namespace {

constexpr wchar_t ADB_PROGRAM[] = L"adb";
constexpr wchar_t DEVICES_COMMAND[] = L" devices";

// Position of needle in text at or after from, or -1; all signed.
int findFrom(const std::string& text, const char* needle, int from) {
    if (from < 0) {
        from = 0;
    }
    const size_t at = text.find(needle, static_cast<size_t>(from));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

}  // namespace

bool runAdb(const wchar_t* commandLine, std::string* output) {
    ChildProcess child;
    if (!child.start(ADB_PROGRAM, commandLine)) {
        return false;
    }
    char chunk[ADB_CHUNK_SIZE + 1];
    for (;;) {
        const int got = child.readOutput(chunk, ADB_CHUNK_SIZE);
        if (got <= 0) {
            break;
        }
        // Each chunk counts up to its first zero byte, as text.
        chunk[got] = '\0';
        if (output != nullptr && output->size() < ADB_OUTPUT_LIMIT) {
            const size_t text = std::strlen(chunk);
            const size_t room = ADB_OUTPUT_LIMIT - output->size();
            output->append(chunk, text < room ? text : room);
        }
    }
    child.wait();
    return true;
}

std::wstring adbForwardCommandLine(int localPort, int phonePort) {
    wchar_t line[64];
    std::swprintf(line, sizeof line / sizeof line[0], L" -a forward tcp:%d tcp:%d", localPort,
                  phonePort);
    return line;
}

std::wstring adbRemoveForwardCommandLine(int port) {
    wchar_t line[48];
    std::swprintf(line, sizeof line / sizeof line[0], L" -a forward --remove %d", port);
    return line;
}

bool adbForward(int localPort, int phonePort) {
    return runAdb(adbForwardCommandLine(localPort, phonePort).c_str(), nullptr);
}

bool adbRemoveForward(int port) {
    return runAdb(adbRemoveForwardCommandLine(port).c_str(), nullptr);
}

bool adbListingHasDevice(const std::string& listing) {
    const int attached = findFrom(listing, "attached", 0);
    const int device = findFrom(listing, "device", attached + 1);
    if (device > 0) {
        return true;
    }
    // Anything substantial after the header counts too, such as a device
    // that is not yet authorised.
    const int length = static_cast<int>(listing.size());
    return length - attached - 8 > 16;
}

bool adbHasDevice() {
    std::string listing;
    if (!runAdb(DEVICES_COMMAND, &listing)) {
        return false;
    }
    return adbListingHasDevice(listing);
}

}  // namespace kavri
