// The device rule on whatever "adb devices" printed: any bytes, of any length.
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/usb/adb_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string listing(reinterpret_cast<const char*>(data), size);
    volatile bool found = kavri::adbListingHasDevice(listing);
    (void)found;
    return 0;
}
