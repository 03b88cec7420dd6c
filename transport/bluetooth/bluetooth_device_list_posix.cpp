#include "transport/bluetooth/bluetooth_device_list.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>

#include <string>

#include "transport/bluetooth/bluez_device_store.h"

namespace kavri {

namespace {

constexpr char BLUEZ_STORAGE[] = "/var/lib/bluetooth/";

}  // namespace

int BluetoothDeviceList::enumerateDevices() {
    // No adapter: nothing is remembered that could be reached.
    const int adapter = hci_get_route(nullptr);
    if (adapter < 0) {
        return -1;
    }
    bdaddr_t local{};
    if (hci_devba(adapter, &local) < 0) {
        return -1;
    }
    char text[18] = {};
    ba2str(&local, text);
    return loadBluezDevices(std::string(BLUEZ_STORAGE) + text, this);
}

}  // namespace kavri
