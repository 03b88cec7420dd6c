#include "bluetooth_radio.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>

namespace kavri::test {

bool hasBluetoothRadio() {
    return hci_get_route(nullptr) >= 0;
}

}  // namespace kavri::test
