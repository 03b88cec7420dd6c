#include "bluetooth_radio.h"

#include <windows.h>
// clang-format off
#include <bluetoothapis.h>
// clang-format on

namespace kavri::test {

bool hasBluetoothRadio() {
    BLUETOOTH_FIND_RADIO_PARAMS params{};
    params.dwSize = sizeof params;
    HANDLE radio = nullptr;
    HBLUETOOTH_RADIO_FIND find = BluetoothFindFirstRadio(&params, &radio);
    if (find == nullptr) {
        return false;
    }
    CloseHandle(radio);
    BluetoothFindRadioClose(find);
    return true;
}

}  // namespace kavri::test
