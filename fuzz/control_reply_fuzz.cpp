// The phone's replies to the three requests "e", "f" and "g", read from
// arbitrary bytes on one control connection in the order a connection sends
// them, then a keep-alive. Every exchange runs, whatever the one before gave,
// so that each one meets every kind of leftover.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/fuzz_require.h"
#include "transport/phone_link.h"
#include "transport/input_control_stream.h"
#include "transport/usb/usb_media_stream.h"

namespace {

using kavri::fuzzRequire;
using kavri::PhoneLink;

// Only the listed reply fields are read: the type and length always, then
// the status (and for "e" the version) only when the type matched.
void checkExchange(int result, int consumed, int fieldsAfterLength, int remainingBefore) {
    if (result == PhoneLink::LINK_FAILED) {
        return;  // the stream ran out somewhere inside the reply
    }
    if (result == PhoneLink::WRONG_REPLY_TYPE) {
        // 10 is also a status a phone may send; then the fields were read.
        fuzzRequire(consumed == 5 || consumed == 5 + fieldsAfterLength,
                    "a wrong reply type stops after the length");
        return;
    }
    fuzzRequire(result >= 0 && result <= 255, "a status is one byte");
    fuzzRequire(consumed == 5 + fieldsAfterLength, "a reply is read up to its last field");
    fuzzRequire(consumed <= remainingBefore, "nothing is read past the reply bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kavri;
    if (size > static_cast<size_t>(InputControlStream::CAPACITY)) {
        return 0;  // the memory stream holds 256 bytes; three replies need 19
    }
    auto control = std::make_unique<InputControlStream>(data, static_cast<int>(size));
    const InputControlStream* stream = control.get();
    auto media = std::make_unique<UsbMediaStream>(control.get());
    PhoneLink link;
    fuzzRequire(link.open(std::move(control), std::move(media)) == 0, "memory streams open");

    int before = stream->remaining();
    int version = -1;
    int result = link.handshake(&version);
    checkExchange(result, before - stream->remaining(), 2, before);
    if (result != PhoneLink::LINK_FAILED && before - stream->remaining() == 7) {
        fuzzRequire(version >= 0 && version <= 255, "the version is one byte");
    }

    before = stream->remaining();
    checkExchange(link.setupMedia(), before - stream->remaining(), 1, before);
    before = stream->remaining();
    checkExchange(link.startMedia(), before - stream->remaining(), 1, before);
    fuzzRequire(link.keepAlive() == 0, "a keep-alive reads nothing");
    link.close();
    return 0;
}
