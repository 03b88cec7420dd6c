#include "transport/bluetooth/service_discovery.h"

#include <cstdio>
#include <cstring>
// clang-format off
#include <ws2bth.h>
// clang-format on

#include "transport/bluetooth/service_record.h"
#include "platform/utf_text.h"

namespace kavri {

namespace {

constexpr DWORD LOOKUP_FLAGS = LUP_FLUSHCACHE | LUP_RETURN_BLOB | LUP_RETURN_ADDR |
                               LUP_RETURN_COMMENT | LUP_RETURN_TYPE | LUP_RETURN_NAME;
static_assert(LOOKUP_FLAGS == 0x13B0);
constexpr DWORD RESULT_BYTES = 2000;
constexpr DWORD ADDRESS_TEXT_UNITS = 64;

// {00001101-0000-1000-8000-00805F9B34FB}
const GUID SERIAL_PORT_SERVICE = {
    0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};

class ServiceLookup {
  public:
    ServiceLookup() = default;
    ~ServiceLookup() {
        if (handle_ != nullptr) {
            WSALookupServiceEnd(handle_);
        }
    }
    ServiceLookup(const ServiceLookup&) = delete;
    ServiceLookup& operator=(const ServiceLookup&) = delete;
    HANDLE* out() { return &handle_; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};

SOCKADDR_BTH bluetoothAddress(uint64_t address, ULONG port) {
    SOCKADDR_BTH sa{};
    sa.addressFamily = AF_BTH;
    sa.btAddr = address;
    sa.serviceClassId = GUID{};
    sa.port = port;
    return sa;
}

void printWide(const wchar_t* text) {
    char narrow[ADDRESS_TEXT_UNITS * 3 + 1];
    narrow[utf16ToUtf8(reinterpret_cast<const char16_t*>(text), ADDRESS_TEXT_UNITS, narrow,
                               ADDRESS_TEXT_UNITS * 3)] = '\0';
    std::printf("%s.\n", narrow);
}

}  // namespace

int findServiceChannel(const char* wantedName, bool skipNameCheck, uint64_t address,
                       uint8_t* channel) {
    SOCKADDR_BTH remote = bluetoothAddress(address, 0);
    wchar_t text[ADDRESS_TEXT_UNITS] = {};
    DWORD textUnits = ADDRESS_TEXT_UNITS;
    if (WSAAddressToStringW(reinterpret_cast<LPSOCKADDR>(&remote), sizeof remote, nullptr, text,
                            &textUnits) != 0) {
        std::printf("WSAAddressToString() for remote address failed with error code %ld\n",
                    static_cast<long>(WSAGetLastError()));
        return -1;
    }
    text[ADDRESS_TEXT_UNITS - 1] = L'\0';
    printWide(text);

    GUID serviceClass = SERIAL_PORT_SERVICE;
    WSAQUERYSETW query;
    std::memset(&query, 0, sizeof query);
    query.dwSize = sizeof query;
    query.lpServiceClassId = &serviceClass;
    query.dwNameSpace = NS_BTH;
    query.lpszContext = text;
    query.dwNumberOfCsAddrs = 0;
    ServiceLookup lookup;
    if (WSALookupServiceBeginW(&query, LOOKUP_FLAGS, lookup.out()) != 0) {
        *lookup.out() = nullptr;
        std::printf("Fail to begin look up service with error code %ld\n",
                    static_cast<long>(WSAGetLastError()));
        return -1;
    }
    std::printf("WSALookupServiceBegin() is OK!\n");

    // The results are filled in by the system; WSAQUERYSETW's alignment suits
    // their pointers.
    union {
        WSAQUERYSETW set;
        BYTE bytes[RESULT_BYTES];
    } results;
    for (;;) {
        DWORD size = RESULT_BYTES;
        if (WSALookupServiceNextW(lookup.get(), LOOKUP_FLAGS, &size, &results.set) != 0) {
            std::printf("Fail to next look up service with error code %ld\n",
                        static_cast<long>(WSAGetLastError()));
            return -1;
        }
        std::printf("WSALookupServiceNext() is OK!\n");
        const BLOB* blob = results.set.lpBlob;
        if (blob == nullptr || blob->pBlobData == nullptr) {
            std::printf("Blob is NULL!\n");
            continue;
        }
        // The record lives inside the result buffer, so it cannot be longer.
        const int length = blob->cbSize < RESULT_BYTES ? static_cast<int>(blob->cbSize)
                                                       : static_cast<int>(RESULT_BYTES);
        if (parseServiceRecord(blob->pBlobData, length, wantedName, skipNameCheck, channel) == 0) {
            return 0;
        }
    }
}

socket_t openRfcommSocket() {
    return openSocket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
}

bool connectRfcomm(socket_t s, uint64_t address, uint8_t channel) {
    SOCKADDR_BTH remote = bluetoothAddress(address, channel);
    static_assert(sizeof remote == 30, "the packed Bluetooth socket address");
    return ::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0;
}

}  // namespace kavri
