#include "transport/bluetooth/service_discovery.h"

#include <cstdio>

namespace kavri {

socket_t connectService(const BluetoothDeviceRecord& device, const char* wantedName,
                        bool skipNameCheck) {
    if (!startSockets()) {
        std::printf("Fail to start WSA: %ld.\n", static_cast<long>(lastSocketError()));
        return INVALID_SOCKET_VALUE;
    }
    const uint64_t address = device.addressValue();
    uint8_t channel = 0;
    if (findServiceChannel(wantedName, skipNameCheck, address, &channel) != 0) {
        std::printf("The service is not found!\n");
        return INVALID_SOCKET_VALUE;
    }
    std::printf("Channel number: %d.\n", channel);

    const socket_t s = openRfcommSocket();
    if (s == INVALID_SOCKET_VALUE) {
        return INVALID_SOCKET_VALUE;
    }
    if (!connectRfcomm(s, address, channel)) {
        std::printf("Fail to connect to the service.\n");
        closeSocket(s);
        return INVALID_SOCKET_VALUE;
    }
    return s;
}

}  // namespace kavri
