#include "transport/bluetooth/bluetooth_device_list.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format off
#include <bluetoothapis.h>
// clang-format on

namespace kavri {

namespace {

class DeviceSearch {
  public:
    explicit DeviceSearch(HBLUETOOTH_DEVICE_FIND find) : find_(find) {}
    ~DeviceSearch() {
        if (find_ != nullptr) {
            BluetoothFindDeviceClose(find_);
        }
    }
    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;
    HBLUETOOTH_DEVICE_FIND get() const { return find_; }

  private:
    HBLUETOOTH_DEVICE_FIND find_;
};

}  // namespace

int BluetoothDeviceList::enumerateDevices() {
    // Remembered devices only, from every local radio, without an inquiry.
    BLUETOOTH_DEVICE_SEARCH_PARAMS search{};
    search.dwSize = sizeof search;
    search.fReturnAuthenticated = FALSE;
    search.fReturnRemembered = TRUE;
    search.fReturnUnknown = FALSE;
    search.fReturnConnected = FALSE;
    search.fIssueInquiry = FALSE;
    search.cTimeoutMultiplier = 0;
    search.hRadio = nullptr;
    BLUETOOTH_DEVICE_INFO info{};
    info.dwSize = sizeof info;

    DeviceSearch found(BluetoothFindFirstDevice(&search, &info));
    if (found.get() == nullptr) {
        return -1;
    }
    clear();
    do {
        static_assert(sizeof(WCHAR) == sizeof(char16_t));
        append(info.Address.rgBytes, reinterpret_cast<const char16_t*>(info.szName),
               BluetoothDeviceRecord::NAME_UNITS);
    } while (BluetoothFindNextDevice(found.get(), &info));
    return 0;
}

}  // namespace kavri
