#include "tools/phone_sim/lib/media_sender.h"

#include <algorithm>
#include <cstring>

#include "tools/phone_sim/lib/sim_packet.h"

namespace kavri {

namespace {

using Clock = std::chrono::steady_clock;

// libopus refuses this: an arbitrary-count packet claiming 63 frames of 20 ms.
constexpr uint8_t UNDECODABLE_PAYLOAD[] = {0xFF, 0xFF, 0xFF, 0xFF};

bool isNth(int every, int oneBasedIndex) {
    return every > 0 && oneBasedIndex % every == 0;
}

}  // namespace

MediaSender::MediaSender(SimState& state, std::shared_ptr<SimConnection> connection)
    : state_(state), connection_(std::move(connection)) {}

MediaSender::~MediaSender() {
    stop();
}

bool MediaSender::start(std::string* error) {
    const PhoneSimConfig config = state_.config();
    if (!encoder_.open(config.bitrate, config.wavFile, error)) {
        return false;
    }
    jitter_ = LinkJitter(config.faults.jitterMs, config.faults.jitterSeed);
    if (config.faults.jitterMs > 0) {
        delayed_ = std::make_unique<Delayed[]>(DELAYED_SLOTS);
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void MediaSender::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool MediaSender::waitTick(Clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_until(lock, deadline, [this] { return stopRequested_; });
}

void MediaSender::run() {
    auto next = Clock::now();
    for (;;) {
        const PhoneSimConfig config = state_.config();
        sendDelayed(config, Clock::now(), false);
        if (Clock::now() >= next) {
            tick(config);
            next += std::chrono::milliseconds(std::max(1, config.packetIntervalMs));
            // After a stall, carry on from now rather than sending a burst.
            const auto now = Clock::now();
            if (next < now - std::chrono::milliseconds(200)) {
                next = now;
            }
        }
        const auto wake = delayedCount_ > 0 ? std::min(next, delayed_[delayedHead_].at) : next;
        if (!waitTick(wake)) {
            return;
        }
    }
}

void MediaSender::tick(const PhoneSimConfig& config) {
    const SimFaults& faults = config.faults;
    const bool limitReached =
        (faults.stopAfterPackets > 0 && packetCount_ >= faults.stopAfterPackets) ||
        (faults.closeAfterPackets > 0 && packetCount_ >= faults.closeAfterPackets);
    if (!faults.silence && !limitReached && addPacket(config)) {
        const bool stream = config.mediaMode == SimMediaMode::Stream;
        flush(config, stream || packetsInDatagram_ >= std::max(1, faults.packetsPerDatagram));
        if (faults.closeAfterPackets > 0 && packetCount_ >= faults.closeAfterPackets) {
            sendDelayed(config, Clock::now(), true);
            state_.log("closing the connection after %d packets", packetCount_);
            connection_->requestDrop();
        }
    }
}

bool MediaSender::addPacket(const PhoneSimConfig& config) {
    const SimFaults& faults = config.faults;
    const int index = packetCount_ + 1;
    int length = encoder_.encodeNext(payload_, PAYLOAD_CAPACITY);
    if (length < 0) {
        return false;
    }
    if (isNth(faults.undecodableEvery, index)) {
        length = static_cast<int>(sizeof UNDECODABLE_PAYLOAD);
        std::memcpy(payload_, UNDECODABLE_PAYLOAD, sizeof UNDECODABLE_PAYLOAD);
    }
    SimPacket packet;
    packet.checkByteFormat = config.protocolVersion == 3;
    packet.headerWord = sequence_;
    packet.payload = payload_;
    packet.payloadLength = length;
    packet.badCheck = isNth(faults.badCheckEvery, index);
    const bool oversize = isNth(faults.oversizeEvery, index);
    const int oversizeLength = std::clamp(faults.oversizeLength, 0, 0xFFFF);
    if (oversize) {
        packet.announcedLength = oversizeLength;
    }
    if (datagramLength_ + MEDIA_HEADER_SIZE + std::max(length, oversizeLength) >
        DATAGRAM_CAPACITY) {
        flush(config, true);
    }
    const int written =
        buildMediaPacket(packet, datagram_ + datagramLength_, DATAGRAM_CAPACITY - datagramLength_);
    if (written < 0) {
        return false;
    }
    datagramLength_ += written;
    // On a stream the announced bytes really follow, so a careful reader can
    // skip them and stay in step; in a datagram only the real payload does.
    if (oversize && config.mediaMode == SimMediaMode::Stream && oversizeLength > length) {
        std::memset(datagram_ + datagramLength_, 0, static_cast<size_t>(oversizeLength - length));
        datagramLength_ += oversizeLength - length;
    }
    lastPayloadLength_ = length;
    ++packetsInDatagram_;
    ++packetCount_;
    ++sequence_;
    return true;
}

void MediaSender::flush(const PhoneSimConfig& config, bool force) {
    if (!force || packetsInDatagram_ == 0) {
        return;
    }
    ++datagramCount_;
    int length = datagramLength_;
    // Only a datagram can be cut short without losing the stream's framing.
    if (config.mediaMode == SimMediaMode::Udp &&
        isNth(config.faults.truncateEvery, datagramCount_)) {
        length -= std::max(1, lastPayloadLength_ / 2);
    }
    send(config, datagram_, length, packetsInDatagram_, packetCount_ - packetsInDatagram_);
    datagramLength_ = 0;
    packetsInDatagram_ = 0;
}

void MediaSender::send(const PhoneSimConfig& config, const uint8_t* bytes, int length, int packets,
                       int firstIndex) {
    if (!delayed_ || length > static_cast<int>(sizeof(Delayed::bytes))) {
        sendDelayed(config, Clock::now(), true);  // keep the order
        sendNow(config, bytes, length, packets, firstIndex);
        return;
    }
    if (delayedCount_ == DELAYED_SLOTS) {
        sendDelayed(config, delayed_[delayedHead_].at, false);  // the link is full: oldest goes
    }
    Delayed& d = delayed_[(delayedHead_ + delayedCount_) % DELAYED_SLOTS];
    d.at = jitter_.sendTime(Clock::now());
    d.length = length;
    d.packets = packets;
    d.firstIndex = firstIndex;
    std::memcpy(d.bytes, bytes, static_cast<size_t>(length));
    ++delayedCount_;
}

void MediaSender::sendDelayed(const PhoneSimConfig& config, Clock::time_point by, bool all) {
    while (delayedCount_ > 0 && (all || delayed_[delayedHead_].at <= by)) {
        const Delayed& d = delayed_[delayedHead_];
        sendNow(config, d.bytes, d.length, d.packets, d.firstIndex);
        delayedHead_ = (delayedHead_ + 1) % DELAYED_SLOTS;
        --delayedCount_;
    }
}

void MediaSender::sendNow(const PhoneSimConfig& config, const uint8_t* bytes, int length,
                          int packets, int firstIndex) {
    if (connection_->sendMedia(bytes, length)) {
        for (int i = 0; i < packets; ++i) {
            state_.onPacketSent();
            if (config.onPacketSent) {
                config.onPacketSent(firstIndex + i);
            }
        }
    }
}

}  // namespace kavri
