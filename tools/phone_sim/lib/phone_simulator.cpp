#include "tools/phone_sim/lib/phone_simulator.h"

#include "tools/phone_sim/lib/control_server.h"
#include "tools/phone_sim/lib/sim_state.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri {

class PhoneSimulator::Impl {
  public:
    explicit Impl(const PhoneSimConfig& config) : state(config), server(state) {}

    SimState state;
    ControlServer server;
    std::string error;
    bool started = false;
};

PhoneSimulator::PhoneSimulator(PhoneSimConfig config)
    : impl_(std::make_unique<Impl>(std::move(config))) {}

PhoneSimulator::~PhoneSimulator() {
    stop();
}

bool PhoneSimulator::start() {
    if (impl_->started) {
        impl_->error = "already started";
        return false;
    }
    // A bad WAV file or bitrate is reported now rather than at the first "g".
    const PhoneSimConfig config = impl_->state.config();
    SimVoiceEncoder probe;
    if (!probe.open(config.bitrate, config.wavFile, &impl_->error)) {
        return false;
    }
    if (!impl_->server.start(&impl_->error)) {
        return false;
    }
    impl_->started = true;
    return true;
}

void PhoneSimulator::stop() {
    impl_->state.requestStop();
    impl_->server.stop();
}

const std::string& PhoneSimulator::lastError() const {
    return impl_->error;
}

int PhoneSimulator::controlPort() const {
    return impl_->server.port();
}

void PhoneSimulator::setFaults(const SimFaults& faults) {
    impl_->state.setFaults(faults);
}

void PhoneSimulator::setStatuses(int handshakeStatus, int setupStatus, int startStatus) {
    impl_->state.setStatuses(handshakeStatus, setupStatus, startStatus);
}

void PhoneSimulator::setProtocolVersion(int version) {
    impl_->state.setProtocolVersion(version);
}

std::vector<SimRequest> PhoneSimulator::requests() const {
    return impl_->state.requests();
}

int PhoneSimulator::keepAliveCount() const {
    return impl_->state.counters().perType['i'];
}

int PhoneSimulator::packetsSent() const {
    return impl_->state.counters().packets;
}

int PhoneSimulator::connectionCount() const {
    return impl_->state.counters().connections;
}

int PhoneSimulator::clientMediaPort() const {
    return impl_->state.counters().mediaPort;
}

bool PhoneSimulator::isClientConnected() const {
    return impl_->state.counters().connected;
}

bool PhoneSimulator::waitForConnection(int count, Millis timeout) const {
    return impl_->state.waitFor(timeout,
                                [count](const SimCounters& c) { return c.connections >= count; });
}

bool PhoneSimulator::waitForRequest(uint8_t type, Millis timeout) const {
    return impl_->state.waitFor(timeout,
                                [type](const SimCounters& c) { return c.perType[type] > 0; });
}

bool PhoneSimulator::waitForRequestCount(int count, Millis timeout) const {
    return impl_->state.waitFor(timeout,
                                [count](const SimCounters& c) { return c.requests >= count; });
}

bool PhoneSimulator::waitForKeepAlives(int count, Millis timeout) const {
    return impl_->state.waitFor(timeout,
                                [count](const SimCounters& c) { return c.perType['i'] >= count; });
}

bool PhoneSimulator::waitForPacketsSent(int count, Millis timeout) const {
    return impl_->state.waitFor(timeout,
                                [count](const SimCounters& c) { return c.packets >= count; });
}

bool PhoneSimulator::waitForDisconnect(Millis timeout) const {
    return impl_->state.waitFor(timeout, [](const SimCounters& c) { return !c.connected; });
}

bool PhoneSimulator::sendRawMedia(const uint8_t* data, int length) {
    return data != nullptr && length >= 0 && impl_->server.sendRawMedia(data, length);
}

void PhoneSimulator::dropConnection() {
    impl_->server.dropConnection();
}

}  // namespace kavri
