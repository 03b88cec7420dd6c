#pragma once

#include <cstdint>
#include <memory>

#include "transport/control_stream.h"
#include "transport/media_stream.h"

namespace kavri {

class VoiceDecoder;

// One connection to the phone app: its two streams, the control protocol and
// the media packet reader.
class PhoneLink {
  public:
    static constexpr int PAYLOAD_CAPACITY = 1024;
    // Internal results of the request exchanges and packet readers.
    static constexpr int LINK_FAILED = 1;
    static constexpr int WRONG_REPLY_TYPE = 10;
    static constexpr int UNDECODABLE = 22;
    static constexpr int CHECK_MISMATCH = 23;

    PhoneLink() = default;
    ~PhoneLink();
    PhoneLink(const PhoneLink&) = delete;
    PhoneLink& operator=(const PhoneLink&) = delete;

    // Builds and opens the streams for the transport in the settings. On
    // Wi-Fi, media is accepted only from the host the control connection
    // reached, and a media port of 0 becomes the port the system chose.
    int open();
    // For tests and tools: use these streams instead of building them.
    int open(std::unique_ptr<ControlStream> control, std::unique_ptr<MediaStream> media);

    int handshake(int* protocolVersion);
    int setupMedia();
    int startMedia();
    int keepAlive();

    // A header announcing more than PAYLOAD_CAPACITY bytes throws
    // EXCEPTION_INCOMPLETE_PACKET after the announced bytes have been read
    // past, so a stream transport stays aligned on the next header.
    int readMediaPacket(VoiceDecoder* decoder, int16_t* samples, int32_t* sampleCount,
                        uint32_t* headerWord);
    int readCheckedMediaPacket(VoiceDecoder* decoder, int16_t* samples, int32_t* sampleCount,
                               uint32_t* headerWord);

    void close();

    int getMediaPort() const { return mediaPort_; }

  private:
    int openWifi();
    int exchange(uint8_t type, const uint8_t* payload, int payloadLength, bool withPort,
                 bool readsVersion, int* protocolVersion);
    int readPacket(bool checked, VoiceDecoder* decoder, int16_t* samples, int32_t* sampleCount,
                   uint32_t* headerWord);
    void discardPayload(int length);

    std::unique_ptr<ControlStream> controlStream_;
    std::unique_ptr<MediaStream> mediaStream_;
    int mediaPort_ = 0;
    uint8_t payload_[PAYLOAD_CAPACITY] = {};
};

}  // namespace kavri
