#include "transport/phone_link.h"

#include <algorithm>

#include "audio/voice_decoder.h"
#include "common/result_codes.h"
#include "common/transport_type.h"
#include "settings/settings.h"
#include "transport/bluetooth/bluetooth_media_stream.h"
#include "transport/bluetooth/bt_device_stream.h"
#include "transport/usb/usb_control_stream.h"
#include "transport/usb/usb_media_stream.h"
#include "transport/wifi/wifi_media_stream.h"
#include "transport/wifi/win_sock_stream.h"

namespace kavri {

namespace {

constexpr int HEADER_SIZE = 6;
// Request payloads: fixed bytes whose meaning is the phone app's own; the
// client sends them unchanged.
constexpr uint8_t HANDSHAKE_PAYLOAD[] = {0x03, 0x03, 0x05, 0x00, 0x00, 0x00};
// "f" payload: these two bytes, then the media port as 4 bytes big-endian.
constexpr uint8_t SETUP_PREFIX[] = {0x02, 0x02};

// USB: adb forwards the control port to the phone; the media packets follow
// on the same connection.
bool makeUsbStreams(std::unique_ptr<ControlStream>& control, std::unique_ptr<MediaStream>& media) {
    auto usb = std::make_unique<UsbControlStream>(Settings::getControlPort());
    media = std::make_unique<UsbMediaStream>(usb.get());
    control = std::move(usb);
    return true;
}

// Bluetooth: an RFCOMM connection to the phone chosen in the settings; the
// media packets follow on the same connection.
bool makeBluetoothStreams(std::unique_ptr<ControlStream>& control,
                          std::unique_ptr<MediaStream>& media) {
    uint8_t address[Settings::BT_ADDRESS_SIZE];
    Settings::getBtAddress(address);
    auto bluetooth = std::make_unique<BtDeviceStream>(address);
    media = std::make_unique<BluetoothMediaStream>(bluetooth.get());
    control = std::move(bluetooth);
    return true;
}

}  // namespace

PhoneLink::~PhoneLink() {
    close();
}

int PhoneLink::open() {
    close();
    mediaPort_ = 0;
    std::unique_ptr<ControlStream> control;
    std::unique_ptr<MediaStream> media;
    switch (Settings::getTransportType()) {
        case TRANSPORT_BLUETOOTH:
            if (!makeBluetoothStreams(control, media)) {
                return RESULT_CANNOT_CONNECT;
            }
            break;
        case TRANSPORT_USB:
            if (!makeUsbStreams(control, media)) {
                return RESULT_CANNOT_CONNECT;
            }
            break;
        case TRANSPORT_WIFI:
            return openWifi();
        default:
            return RESULT_CANNOT_START;
    }
    return open(std::move(control), std::move(media));
}

int PhoneLink::open(std::unique_ptr<ControlStream> control, std::unique_ptr<MediaStream> media) {
    close();
    controlStream_ = std::move(control);
    mediaStream_ = std::move(media);
    if (!controlStream_ || !mediaStream_) {
        return RESULT_CANNOT_CONNECT;
    }
    const int result = controlStream_->open();
    if (result != 0) {
        return result;
    }
    return mediaStream_->open() == -1 ? RESULT_MEDIA_OPEN_FAILED : RESULT_OK;
}

int PhoneLink::openWifi() {
    mediaPort_ = Settings::getMediaPort();
    auto control =
        std::make_unique<WinSockStream>(Settings::getWifiServerAddr(), Settings::getControlPort());
    auto media = std::make_unique<WifiMediaStream>(mediaPort_);
    WinSockStream* wifiControl = control.get();
    WifiMediaStream* wifiMedia = media.get();
    controlStream_ = std::move(control);
    mediaStream_ = std::move(media);

    const int result = controlStream_->open();
    if (result != 0) {
        return result;
    }
    // Audio is taken only from the host the control connection reached, so
    // no other machine on the network can speak into the microphone.
    sockaddr_storage phone{};
    if (!wifiControl->getPeerAddress(&phone)) {
        return RESULT_CANNOT_CONNECT;
    }
    wifiMedia->allowOnlySender(phone);
    if (mediaStream_->open() == -1) {
        return RESULT_MEDIA_OPEN_FAILED;
    }
    // Port 0 lets the system pick; the phone must be told the real one.
    if (mediaPort_ == 0) {
        mediaPort_ = std::max(0, wifiMedia->getLocalPort());
    }
    return RESULT_OK;
}

int PhoneLink::exchange(uint8_t type, const uint8_t* payload, int payloadLength, bool withPort,
                        bool readsVersion, int* protocolVersion) {
    if (!controlStream_) {
        return LINK_FAILED;
    }
    try {
        ControlStream& s = *controlStream_;
        s.write1(type);
        s.write4(static_cast<uint32_t>(payloadLength + (withPort ? 4 : 0)));
        for (int i = 0; i < payloadLength; ++i) {
            s.write1(payload[i]);
        }
        if (withPort) {
            s.write4(static_cast<uint32_t>(mediaPort_));
        }
        const uint8_t replyType = s.read1();
        s.read4();  // the reply length: the fields read below are fixed
        if (replyType != type) {
            return WRONG_REPLY_TYPE;
        }
        const int status = s.read1();
        // The version comes with every handshake reply, whatever its status.
        if (readsVersion) {
            const int version = s.read1();
            if (protocolVersion != nullptr) {
                *protocolVersion = version;
            }
        }
        return status;
    } catch (int) {
        return LINK_FAILED;
    }
}

int PhoneLink::handshake(int* protocolVersion) {
    return exchange('e', HANDSHAKE_PAYLOAD, sizeof HANDSHAKE_PAYLOAD, false, true, protocolVersion);
}

int PhoneLink::setupMedia() {
    return exchange('f', SETUP_PREFIX, sizeof SETUP_PREFIX, true, false, nullptr);
}

int PhoneLink::startMedia() {
    return exchange('g', nullptr, 0, false, false, nullptr);
}

int PhoneLink::keepAlive() {
    if (!controlStream_) {
        return LINK_FAILED;
    }
    try {
        controlStream_->write1('i');
        controlStream_->write4(0);
        return 0;
    } catch (int) {
        return LINK_FAILED;
    }
}

int PhoneLink::readMediaPacket(VoiceDecoder* decoder, int16_t* samples, int32_t* sampleCount,
                               uint32_t* headerWord) {
    return readPacket(false, decoder, samples, sampleCount, headerWord);
}

int PhoneLink::readCheckedMediaPacket(VoiceDecoder* decoder, int16_t* samples, int32_t* sampleCount,
                                      uint32_t* headerWord) {
    return readPacket(true, decoder, samples, sampleCount, headerWord);
}

int PhoneLink::readPacket(bool checked, VoiceDecoder* decoder, int16_t* samples,
                          int32_t* sampleCount, uint32_t* headerWord) {
    if (!mediaStream_) {
        throw EXCEPTION_NOT_OPEN;
    }
    // Header: bytes 0-3 the header word (check-byte format: byte 0 the check
    // byte, byte 1 unused, bytes 2-3 a 16-bit word), bytes 4-5 the payload
    // length, big-endian.
    uint8_t header[HEADER_SIZE];
    mediaStream_->read(header, HEADER_SIZE);
    const uint32_t word = checked ? (uint32_t{header[2]} << 8 | header[3])
                                  : (uint32_t{header[0]} << 24 | uint32_t{header[1]} << 16 |
                                     uint32_t{header[2]} << 8 | uint32_t{header[3]});
    if (headerWord != nullptr) {
        *headerWord = word;
    }
    const int length = header[4] << 8 | header[5];
    if (!mediaStream_->hasAvailable(length)) {
        mediaStream_->reset();
        throw EXCEPTION_INCOMPLETE_PACKET;
    }
    if (length > PAYLOAD_CAPACITY) {
        discardPayload(length);
        throw EXCEPTION_INCOMPLETE_PACKET;
    }
    mediaStream_->read(payload_, length);
    if (checked) {
        uint8_t fold = header[0];
        for (int i = 0; i < length; ++i) {
            fold ^= payload_[i];
        }
        if (fold != 0) {
            return CHECK_MISMATCH;
        }
    }
    if (decoder == nullptr || !decoder->decode(payload_, length, samples, sampleCount)) {
        return UNDECODABLE;
    }
    return 0;
}

void PhoneLink::discardPayload(int length) {
    // The stream transports carry the whole announced payload: read it past in
    // buffer-sized pieces so that the next read starts on a header.
    while (length > 0) {
        const int piece = std::min(length, PAYLOAD_CAPACITY);
        mediaStream_->read(payload_, piece);
        length -= piece;
    }
}

void PhoneLink::close() {
    // The control stream goes first: on USB and Bluetooth the media stream
    // reads through it and must not outlive it in use.
    if (controlStream_) {
        controlStream_->close();
        controlStream_.reset();
    }
    if (mediaStream_) {
        mediaStream_->close();
        mediaStream_.reset();
    }
}

}  // namespace kavri
