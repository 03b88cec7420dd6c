#include "tools/phone_sim/lib/sim_connection.h"

namespace kavri {

SimConnection::SimConnection(SimSocket control, SimMediaMode mode)
    : control_(std::move(control)), mode_(mode) {
    control_.peerAddress(&peer_);
    control_.localAddress(&local_);
    peerText_ =
        SimSocket::formatAddress(peer_) + " port " + std::to_string(SimSocket::portOf(peer_));
}

bool SimConnection::sendReply(const uint8_t* bytes, int length) {
    std::lock_guard<std::mutex> lock(sendMutex_);
    return !closed_ && control_.sendAll(bytes, length, SEND_TIMEOUT_MS);
}

bool SimConnection::setMediaPort(int port, std::string* error) {
    if (mode_ != SimMediaMode::Udp) {
        return true;
    }
    std::lock_guard<std::mutex> lock(sendMutex_);
    haveMediaTarget_ = false;
    if (closed_ || port <= 0 || port > 65535) {
        *error = "no usable media port (" + std::to_string(port) + ")";
        return false;
    }
    if (!media_.valid()) {
        // From the address the client reached, so the datagrams come from
        // the host it connected to.
        sockaddr_storage from = local_;
        SimSocket::setPort(&from, 0);
        media_ = SimSocket::bindUdp(from, error);
        if (!media_.valid()) {
            return false;
        }
    }
    mediaTarget_ = peer_;
    SimSocket::setPort(&mediaTarget_, port);
    haveMediaTarget_ = true;
    return true;
}

bool SimConnection::hasMediaTarget() const {
    std::lock_guard<std::mutex> lock(sendMutex_);
    return !closed_ && (mode_ == SimMediaMode::Stream || haveMediaTarget_);
}

bool SimConnection::sendMedia(const uint8_t* bytes, int length) {
    std::lock_guard<std::mutex> lock(sendMutex_);
    if (closed_) {
        return false;
    }
    if (mode_ == SimMediaMode::Stream) {
        return control_.sendAll(bytes, length, SEND_TIMEOUT_MS);
    }
    return haveMediaTarget_ && media_.sendTo(bytes, length, mediaTarget_);
}

void SimConnection::close() {
    std::lock_guard<std::mutex> lock(sendMutex_);
    closed_ = true;
    control_.close();
    media_.close();
}

}  // namespace kavri
