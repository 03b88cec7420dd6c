// kavri-phone-sim: the phone app's side of the protocol, by hand or as a
// child process. The first line it prints names the port it listens on.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "tools/phone_sim/lib/phone_simulator.h"
#include "tools/phone_sim/lib/sim_options.h"

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

}  // namespace

int main(int argc, char** argv) {
    kavri::SimOptions options = kavri::defaultSimOptions();
    std::string error;
    if (!kavri::parseSimOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "kavri-phone-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kavri::simUsage(), stdout);
        return 0;
    }
    kavri::PhoneSimulator simulator(options.config);
    if (!simulator.start()) {
        std::fprintf(stderr, "kavri-phone-sim: %s\n", simulator.lastError().c_str());
        return 1;
    }
    const kavri::PhoneSimConfig& c = options.config;
    std::printf("kavri-phone-sim listening on %s port %d (%s media, protocol version %d)\n",
                c.listenAddress.c_str(), simulator.controlPort(),
                c.mediaMode == kavri::SimMediaMode::Udp ? "wifi" : "stream", c.protocolVersion);
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (!interrupted && (options.seconds == 0 || std::chrono::steady_clock::now() < end)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    simulator.stop();
    std::printf("summary: %d connection(s), %d keep-alive(s), %d packet(s) sent\n",
                simulator.connectionCount(), simulator.keepAliveCount(), simulator.packetsSent());
    return 0;
}
