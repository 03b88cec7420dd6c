// Media packets in byte-stream mode (USB, Bluetooth): they follow one another
// on the control connection. Input: one flags byte (bit 0: check-byte
// format), then the bytes the phone sends; the end of the input is the phone
// closing the connection.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_byte_stream.h"
#include "fuzz/media_packet_reads.h"
#include "transport/usb/usb_media_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kavri;
    if (size < 1) {
        return 0;
    }
    const bool checked = (data[0] & 1) != 0;
    // An exact-size copy, so reading one byte past the input is caught.
    const std::vector<uint8_t> bytes(data + 1, data + size);
    auto control = std::make_unique<FuzzByteStream>(bytes.data(), bytes.size());
    const FuzzByteStream* stream = control.get();
    auto media = std::make_unique<UsbMediaStream>(control.get());
    auto link = std::make_unique<PhoneLink>();
    fuzzRequire(link->open(std::move(control), std::move(media)) == 0, "memory streams open");

    const unsigned allowed = 1u << EXCEPTION_INCOMPLETE_PACKET | 1u << EXCEPTION_END_OF_FILE;
    readMediaPackets(*link, checked, allowed, [stream] { return stream->remaining() > 0; });
    link->close();
    return 0;
}
