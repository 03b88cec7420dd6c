#include "tools/phone_sim/lib/control_server.h"

#include <string>

#include "tools/phone_sim/lib/sim_request_reader.h"

namespace kavri {

namespace {

std::string hexOf(const uint8_t* bytes, int length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (i > 0)
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

bool contains(const std::string& letters, uint8_t type) {
    return letters.find(static_cast<char>(type)) != std::string::npos;
}

int statusFor(uint8_t type, const PhoneSimConfig& config) {
    switch (type) {
        case 'e':
            return config.handshakeStatus;
        case 'f':
            return config.setupStatus;
        default:
            return config.startStatus;
    }
}

}  // namespace

bool ControlServer::start(std::string* error) {
    const PhoneSimConfig config = state_.config();
    sockaddr_storage address{};
    if (!SimSocket::parseAddress(config.listenAddress, config.controlPort, &address)) {
        *error = "not a numeric address and port: " + config.listenAddress + " " +
                 std::to_string(config.controlPort);
        return false;
    }
    listener_ = SimSocket::listenTcp(address, error);
    if (!listener_.valid()) {
        return false;
    }
    sockaddr_storage bound{};
    listener_.localAddress(&bound);
    port_ = SimSocket::portOf(bound);
    thread_ = std::thread([this] { run(); });
    return true;
}

void ControlServer::stop() {
    if (thread_.joinable()) {
        thread_.join();
    }
    listener_.close();
}

void ControlServer::run() {
    while (!state_.stopping()) {
        const int ready = listener_.waitReadable(POLL_MS);
        if (ready < 0) {
            // A broken listener must not spin; look at the stop flag now and then.
            state_.pause(std::chrono::milliseconds(POLL_MS));
        }
        if (ready != 1) {
            continue;
        }
        SimSocket client = listener_.accept();
        if (client.valid()) {
            serve(std::move(client));
        }
    }
}

void ControlServer::serve(SimSocket client) {
    const PhoneSimConfig config = state_.config();
    auto connection = std::make_shared<SimConnection>(std::move(client), config.mediaMode);
    {
        std::lock_guard<std::mutex> lock(connectionMutex_);
        connection_ = connection;
    }
    state_.onConnected();
    state_.log("connection from %s", connection->peerText().c_str());

    SimRequestReader reader;
    uint8_t buffer[512];
    bool open = true;
    while (open && !state_.stopping() && !connection->dropRequested()) {
        const int ready = connection->control().waitReadable(POLL_MS);
        if (ready == 0) {
            continue;
        }
        const int n = ready < 0 ? -1 : connection->control().receive(buffer, sizeof buffer);
        if (n == SimSocket::NOTHING_READY) {
            continue;
        }
        if (n <= 0) {
            break;  // the client is gone
        }
        for (int used = 0; open && used < n;) {
            used += reader.feed(buffer + used, n - used);
            if (reader.broken()) {
                state_.log("request with an impossible length; closing");
                open = false;
            } else if (reader.hasMessage()) {
                open = handle(*connection, reader.message(), reader.messageLength());
            }
        }
    }
    stopMedia();
    {
        std::lock_guard<std::mutex> lock(connectionMutex_);
        connection_.reset();
    }
    connection->close();
    state_.onDisconnected();
    state_.log("connection closed; %d packets sent so far", state_.counters().packets);
}

bool ControlServer::handle(SimConnection& connection, const uint8_t* message, int length) {
    const uint8_t type = message[0];
    state_.onRequest(message, length);
    state_.log("request '%c': %s", type >= 32 && type < 127 ? type : '?',
               hexOf(message, length).c_str());
    if (type == 'i') {
        return true;
    }
    if (type != 'e' && type != 'f' && type != 'g') {
        return true;  // not ours to answer
    }
    if (type == 'f' && length >= SimRequestReader::HEADER_SIZE + 6) {
        const uint8_t* p = message + SimRequestReader::HEADER_SIZE + 2;
        const int port = static_cast<int>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 |
                                          uint32_t{p[2]} << 8 | uint32_t{p[3]});
        state_.setClientMediaPort(port);
        std::string error;
        if (!connection.setMediaPort(port, &error)) {
            state_.log("media: %s", error.c_str());
        }
    }
    const PhoneSimConfig config = state_.config();
    const SimFaults& faults = config.faults;
    if (contains(faults.closeOn, type)) {
        state_.log("closing instead of answering '%c'", type);
        return false;
    }
    if (contains(faults.noReplyTo, type)) {
        return true;
    }
    if (faults.replyDelayMs > 0 && !state_.pause(std::chrono::milliseconds(faults.replyDelayMs))) {
        return false;
    }
    return answer(connection, type, config);
}

bool ControlServer::answer(SimConnection& connection, uint8_t type, const PhoneSimConfig& config) {
    const bool wrongType = contains(config.faults.wrongReplyTo, type);
    const int status = statusFor(type, config);
    uint8_t reply[7] = {
        wrongType ? config.faults.wrongReplyType : type, 0, 0, 0, 1, static_cast<uint8_t>(status)};
    int length = 6;
    if (type == 'e') {
        reply[4] = 2;
        reply[6] = static_cast<uint8_t>(config.protocolVersion);
        length = 7;
    }
    if (!connection.sendReply(reply, length)) {
        return false;
    }
    if (type == 'g' && status == 0 && !wrongType) {
        std::shared_ptr<SimConnection> current;
        {
            std::lock_guard<std::mutex> lock(connectionMutex_);
            current = connection_;
        }
        startMedia(current);
    }
    return true;
}

void ControlServer::startMedia(const std::shared_ptr<SimConnection>& connection) {
    stopMedia();
    if (!connection || !connection->hasMediaTarget()) {
        state_.log("media: the client named no media port; not sending");
        return;
    }
    media_ = std::make_unique<MediaSender>(state_, connection);
    std::string error;
    if (!media_->start(&error)) {
        state_.log("media: %s", error.c_str());
        media_.reset();
    }
}

void ControlServer::stopMedia() {
    if (media_) {
        media_->stop();
        media_.reset();
    }
}

bool ControlServer::sendRawMedia(const uint8_t* bytes, int length) {
    std::shared_ptr<SimConnection> connection;
    {
        std::lock_guard<std::mutex> lock(connectionMutex_);
        connection = connection_;
    }
    return connection && connection->sendMedia(bytes, length);
}

void ControlServer::dropConnection() {
    std::lock_guard<std::mutex> lock(connectionMutex_);
    if (connection_) {
        connection_->requestDrop();
    }
}

}  // namespace kavri
