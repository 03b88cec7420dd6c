// The simulated phone seen from a raw socket client: the replies and media it
// puts on the wire, and the faults it is told to commit.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "tools/phone_sim/lib/phone_simulator.h"
#include "tools/phone_sim/lib/sim_socket.h"

namespace kavri {
namespace {

using Bytes = std::vector<uint8_t>;
using Millis = std::chrono::milliseconds;
constexpr Millis WAIT{5000};

// A bare client: exact bytes out, exact bytes in, bounded waits.
class RawClient {
  public:
    bool connect(int port, const char* host = "127.0.0.1") {
        sockaddr_storage to{};
        if (!SimSocket::parseAddress(host, port, &to))
            return false;
        socket_ = SimSocket::connectTcp(to);
        return socket_.valid();
    }
    bool send(const Bytes& bytes) {
        return socket_.sendAll(bytes.data(), static_cast<int>(bytes.size()), 2000);
    }
    // Exactly n bytes, or what came before the wait ran out or the peer closed.
    Bytes read(size_t n, int timeoutMs = 5000) {
        Bytes got;
        uint8_t buffer[4096];
        while (got.size() < n && socket_.waitReadable(timeoutMs) == 1) {
            const int k =
                socket_.receive(buffer, static_cast<int>(std::min(n - got.size(), sizeof buffer)));
            if (k == SimSocket::NOTHING_READY)
                continue;
            if (k <= 0) {
                closed = true;
                break;
            }
            got.insert(got.end(), buffer, buffer + k);
        }
        return got;
    }
    bool closed = false;

  private:
    SimSocket socket_;
};

// A UDP socket the simulated phone sends its media to.
class MediaPort {
  public:
    MediaPort() {
        sockaddr_storage any{};
        SimSocket::parseAddress("127.0.0.1", 0, &any);
        socket_ = SimSocket::bindUdp(any, nullptr);
        sockaddr_storage bound{};
        socket_.localAddress(&bound);
        port = SimSocket::portOf(bound);
    }
    // One datagram, or empty after the time-out.
    Bytes receive(int timeoutMs = 5000) {
        uint8_t buffer[70000];
        while (socket_.waitReadable(timeoutMs) == 1) {
            const int n = socket_.receive(buffer, sizeof buffer);
            if (n >= 0)
                return Bytes(buffer, buffer + n);
        }
        return {};
    }
    int port = 0;

  private:
    SimSocket socket_;
};

Bytes setupRequest(int port) {
    return {
        0x66, 0, 0, 0, 6, 2, 2, 0, 0, static_cast<uint8_t>(port >> 8), static_cast<uint8_t>(port)};
}
const Bytes E_REQUEST = {0x65, 0, 0, 0, 6, 3, 3, 5, 0, 0, 0};
const Bytes G_REQUEST = {0x67, 0, 0, 0, 0};
const Bytes I_REQUEST = {0x69, 0, 0, 0, 0};

class SimulatorWire : public testing::Test {
  protected:
    void start(PhoneSimConfig config = {}) {
        config.controlPort = 0;
        sim = std::make_unique<PhoneSimulator>(config);
        ASSERT_TRUE(sim->start()) << sim->lastError();
        ASSERT_TRUE(client.connect(sim->controlPort()));
    }
    // The three exchanges of a good start, media aimed at the test's port.
    void startStreaming() {
        ASSERT_TRUE(client.send(E_REQUEST));
        ASSERT_EQ(client.read(7).size(), 7u);
        ASSERT_TRUE(client.send(setupRequest(media.port)));
        ASSERT_EQ(client.read(6).size(), 6u);
        ASSERT_TRUE(client.send(G_REQUEST));
        ASSERT_EQ(client.read(6), (Bytes{'g', 0, 0, 0, 1, 0}));
    }
    std::unique_ptr<PhoneSimulator> sim;
    RawClient client;
    MediaPort media;
};

TEST_F(SimulatorWire, RepliesByteForByteAndRecordsTheRequests) {
    PhoneSimConfig config;
    config.protocolVersion = 2;
    config.setupStatus = 7;
    config.faults.silence = true;
    start(config);
    // The handshake arrives one byte per send.
    for (uint8_t b : E_REQUEST)
        ASSERT_TRUE(client.send({b}));
    EXPECT_EQ(client.read(7), (Bytes{'e', 0, 0, 0, 2, 0, 2}));
    ASSERT_TRUE(client.send(setupRequest(media.port)));
    EXPECT_EQ(client.read(6), (Bytes{'f', 0, 0, 0, 1, 7}));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(client.send(I_REQUEST));
    ASSERT_TRUE(sim->waitForKeepAlives(3, WAIT));
    EXPECT_EQ(sim->keepAliveCount(), 3);
    EXPECT_EQ(sim->clientMediaPort(), media.port);
    const auto requests = sim->requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].bytes, E_REQUEST);
    EXPECT_EQ(requests[1].type, 'f');
    EXPECT_EQ(requests[4].bytes, I_REQUEST);
    // "i" has no reply.
    EXPECT_TRUE(client.read(1, 100).empty());
}

TEST_F(SimulatorWire, WrongTypeAndClosingFaults) {
    PhoneSimConfig config;
    config.faults.wrongReplyTo = "e";
    config.faults.closeOn = "f";
    start(config);
    ASSERT_TRUE(client.send(E_REQUEST));
    EXPECT_EQ(client.read(7), (Bytes{'x', 0, 0, 0, 2, 0, 3}));
    ASSERT_TRUE(client.send(setupRequest(media.port)));
    EXPECT_TRUE(client.read(1).empty());
    EXPECT_TRUE(client.closed);
    EXPECT_TRUE(sim->waitForDisconnect(WAIT));
    // The next client is served.
    RawClient second;
    ASSERT_TRUE(second.connect(sim->controlPort()));
    ASSERT_TRUE(sim->waitForConnection(2, WAIT));
}

TEST_F(SimulatorWire, UdpMediaComesFromThePhoneInTheNegotiatedFormat) {
    PhoneSimConfig config;
    config.faults.packetsPerDatagram = 2;
    config.faults.badCheckEvery = 2;
    start(config);
    startStreaming();
    const Bytes d = media.receive();
    ASSERT_GE(d.size(), 14u);
    // Two packets: check byte, unused, sequence 0, then sequence 1.
    const size_t first = 6 + (d[4] << 8 | d[5]);
    ASSERT_LT(first + 6, d.size());
    uint8_t fold = d[0];
    for (size_t i = 6; i < first; ++i)
        fold ^= d[i];
    EXPECT_EQ(fold, 0);
    EXPECT_EQ(d[2] << 8 | d[3], 0);
    EXPECT_EQ(d[first + 2] << 8 | d[first + 3], 1);
    EXPECT_EQ(first + 6 + (d[first + 4] << 8 | d[first + 5]), d.size());
    uint8_t badFold = d[first];
    for (size_t i = first + 6; i < d.size(); ++i)
        badFold ^= d[i];
    EXPECT_NE(badFold, 0);
    EXPECT_TRUE(sim->waitForPacketsSent(2, WAIT));
}

TEST_F(SimulatorWire, StreamModeSendsEveryAnnouncedByteAfterTheStartReply) {
    PhoneSimConfig config;
    config.mediaMode = SimMediaMode::Stream;
    config.protocolVersion = 1;
    config.faults.oversizeEvery = 1;
    config.faults.oversizeLength = 2000;
    config.faults.stopAfterPackets = 2;
    start(config);
    startStreaming();
    for (uint32_t seq = 0; seq < 2; ++seq) {
        const Bytes header = client.read(6);
        ASSERT_EQ(header.size(), 6u);
        EXPECT_EQ(header, (Bytes{0, 0, 0, static_cast<uint8_t>(seq), 0x07, 0xD0}));
        EXPECT_EQ(client.read(2000).size(), 2000u);
    }
    ASSERT_TRUE(sim->waitForPacketsSent(2, WAIT));
    EXPECT_TRUE(client.read(1, 200).empty()) << "media went on after the stop";
    EXPECT_EQ(sim->packetsSent(), 2);
}

TEST_F(SimulatorWire, TruncatedAndUndecodableDatagrams) {
    PhoneSimConfig config;
    config.protocolVersion = 2;
    config.faults.truncateEvery = 1;
    config.faults.undecodableEvery = 1;
    start(config);
    startStreaming();
    const Bytes d = media.receive();
    ASSERT_EQ(d.size(), 6u + 4u - 2u);  // four rejected bytes, half cut off
    EXPECT_EQ(d[5], 4);
    EXPECT_EQ(d[6], 0xFF);
}

TEST_F(SimulatorWire, CloseAfterPacketsAndDropConnection) {
    PhoneSimConfig config;
    config.faults.closeAfterPackets = 3;
    start(config);
    startStreaming();
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(media.receive().empty()) << i;
    EXPECT_TRUE(client.read(1).empty());
    EXPECT_TRUE(client.closed);
    EXPECT_EQ(sim->packetsSent(), 3);

    RawClient second;
    ASSERT_TRUE(second.connect(sim->controlPort()));
    ASSERT_TRUE(sim->waitForConnection(2, WAIT));
    ASSERT_TRUE(sim->isClientConnected());
    sim->dropConnection();
    EXPECT_TRUE(second.read(1).empty());
    EXPECT_TRUE(second.closed);
    EXPECT_TRUE(sim->waitForDisconnect(WAIT));
}

TEST_F(SimulatorWire, SlowRepliesAndSilence) {
    PhoneSimConfig config;
    config.faults.replyDelayMs = 300;
    config.faults.noReplyTo = "f";
    config.faults.silence = true;
    start(config);
    ASSERT_TRUE(client.send(E_REQUEST));
    EXPECT_TRUE(client.read(1, 100).empty()) << "the reply was not delayed";
    EXPECT_EQ(client.read(7).size(), 7u);
    ASSERT_TRUE(client.send(setupRequest(media.port)));
    EXPECT_TRUE(client.read(1, 600).empty());
    ASSERT_TRUE(client.send(G_REQUEST));
    EXPECT_EQ(client.read(6), (Bytes{'g', 0, 0, 0, 1, 0}));
    EXPECT_TRUE(media.receive(200).empty());
    EXPECT_FALSE(sim->sendRawMedia(nullptr, 1));
    const Bytes raw = {1, 2, 3};
    ASSERT_TRUE(sim->sendRawMedia(raw.data(), 3));
    EXPECT_EQ(media.receive(), raw);
}

TEST(Simulator, StartFailuresAreReported) {
    PhoneSimulator first;
    ASSERT_TRUE(first.start()) << first.lastError();
    EXPECT_FALSE(first.start());
    PhoneSimConfig sameAddress;
    sameAddress.controlPort = first.controlPort();
    PhoneSimulator second(sameAddress);
    EXPECT_FALSE(second.start());
    EXPECT_FALSE(second.lastError().empty());

    PhoneSimConfig badWav;
    badWav.wavFile = testing::TempDir() + "kavri_missing.wav";
    PhoneSimulator third(badWav);
    EXPECT_FALSE(third.start());
    PhoneSimConfig badAddress;
    badAddress.listenAddress = "localhost";
    PhoneSimulator fourth(badAddress);
    EXPECT_FALSE(fourth.start());
}

TEST(Simulator, StopsWhileAClientIsStreaming) {
    PhoneSimulator sim;
    ASSERT_TRUE(sim.start());
    RawClient client;
    MediaPort media;
    ASSERT_TRUE(client.connect(sim.controlPort()));
    ASSERT_TRUE(client.send(setupRequest(media.port)));
    ASSERT_TRUE(client.send(G_REQUEST));
    ASSERT_TRUE(sim.waitForPacketsSent(3, WAIT));
    sim.stop();
    sim.stop();
    EXPECT_TRUE(client.read(64, 2000).size() < 64u);
    EXPECT_TRUE(client.closed);
}

}  // namespace
}  // namespace kavri
