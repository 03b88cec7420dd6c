#include "tools/phone_sim/lib/sim_options.h"

#include <cstdlib>
#include <cstring>

namespace kavri {

namespace {

constexpr int DEFAULT_CONTROL_PORT = 8125;

bool toInt(const char* text, int low, int high, int* out) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < low || value > high) {
        return false;
    }
    *out = static_cast<int>(value);
    return true;
}

bool isLetters(const char* text) {
    return text != nullptr && std::strspn(text, "efgi") == std::strlen(text) && *text != '\0';
}

struct IntOption {
    const char* name;
    int low;
    int high;
    int* (*target)(SimOptions&);
};

const IntOption INT_OPTIONS[] = {
    {"--port", 0, 65535, [](SimOptions& o) { return &o.config.controlPort; }},
    {"--version", 0, 255, [](SimOptions& o) { return &o.config.protocolVersion; }},
    {"--status-e", 0, 255, [](SimOptions& o) { return &o.config.handshakeStatus; }},
    {"--status-f", 0, 255, [](SimOptions& o) { return &o.config.setupStatus; }},
    {"--status-g", 0, 255, [](SimOptions& o) { return &o.config.startStatus; }},
    {"--bitrate", 6000, 510000, [](SimOptions& o) { return &o.config.bitrate; }},
    {"--interval", 1, 10000, [](SimOptions& o) { return &o.config.packetIntervalMs; }},
    {"--seconds", 0, 1000000, [](SimOptions& o) { return &o.seconds; }},
    {"--reply-delay", 0, 600000, [](SimOptions& o) { return &o.config.faults.replyDelayMs; }},
    {"--stop-after", 0, 1 << 30, [](SimOptions& o) { return &o.config.faults.stopAfterPackets; }},
    {"--close-after", 0, 1 << 30, [](SimOptions& o) { return &o.config.faults.closeAfterPackets; }},
    {"--bad-check", 0, 1 << 30, [](SimOptions& o) { return &o.config.faults.badCheckEvery; }},
    {"--oversize", 0, 1 << 30, [](SimOptions& o) { return &o.config.faults.oversizeEvery; }},
    {"--oversize-length", 0, 65535, [](SimOptions& o) { return &o.config.faults.oversizeLength; }},
    {"--undecodable", 0, 1 << 30, [](SimOptions& o) { return &o.config.faults.undecodableEvery; }},
    {"--truncate", 0, 1 << 30, [](SimOptions& o) { return &o.config.faults.truncateEvery; }},
    {"--per-datagram", 1, 64, [](SimOptions& o) { return &o.config.faults.packetsPerDatagram; }},
    {"--jitter", 0, 1000, [](SimOptions& o) { return &o.config.faults.jitterMs; }},
};

struct TextOption {
    const char* name;
    bool letters;  // only request letters allowed
    std::string* (*target)(SimOptions&);
};

const TextOption TEXT_OPTIONS[] = {
    {"--listen", false, [](SimOptions& o) { return &o.config.listenAddress; }},
    {"--wav", false, [](SimOptions& o) { return &o.config.wavFile; }},
    {"--wrong-reply", true, [](SimOptions& o) { return &o.config.faults.wrongReplyTo; }},
    {"--no-reply", true, [](SimOptions& o) { return &o.config.faults.noReplyTo; }},
    {"--close-on", true, [](SimOptions& o) { return &o.config.faults.closeOn; }},
};

// Options that take no value.
bool parseFlag(const char* arg, SimOptions* options) {
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        options->help = true;
    } else if (std::strcmp(arg, "--silence") == 0) {
        options->config.faults.silence = true;
    } else if (std::strcmp(arg, "--quiet") == 0) {
        options->config.verbose = false;
    } else {
        return false;
    }
    return true;
}

bool parseValue(const char* name, const char* value, SimOptions* options, std::string* error) {
    if (std::strcmp(name, "--mode") == 0) {
        if (value != nullptr && std::strcmp(value, "wifi") == 0) {
            options->config.mediaMode = SimMediaMode::Udp;
        } else if (value != nullptr && std::strcmp(value, "stream") == 0) {
            options->config.mediaMode = SimMediaMode::Stream;
        } else {
            *error = "--mode takes wifi or stream";
            return false;
        }
        return true;
    }
    for (const IntOption& o : INT_OPTIONS) {
        if (std::strcmp(name, o.name) == 0) {
            if (!toInt(value, o.low, o.high, o.target(*options))) {
                *error = std::string(name) + " takes a number from " + std::to_string(o.low) +
                         " to " + std::to_string(o.high);
                return false;
            }
            return true;
        }
    }
    for (const TextOption& o : TEXT_OPTIONS) {
        if (std::strcmp(name, o.name) == 0) {
            if (value == nullptr || (o.letters && !isLetters(value))) {
                *error = std::string(name) +
                         (o.letters ? " takes request letters (e, f, g)" : " takes a value");
                return false;
            }
            *o.target(*options) = value;
            return true;
        }
    }
    *error = std::string("unknown option ") + name + " (see --help)";
    return false;
}

}  // namespace

SimOptions defaultSimOptions() {
    SimOptions options;
    options.config.controlPort = DEFAULT_CONTROL_PORT;
    options.config.verbose = true;
    return options;
}

bool parseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error) {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (parseFlag(arg, options)) {
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!parseValue(arg, value, options, error)) {
            return false;
        }
        ++i;
    }
    return true;
}

const char* simUsage() {
    return "Usage: kavri-phone-sim [options]\n"
           "Plays the phone app for Kavri Client: answers the control protocol and\n"
           "streams Opus voice packets, one every 20 ms.\n"
           "\n"
           "Setup:\n"
           "  --listen ADDR        numeric address to listen on (default 127.0.0.1;\n"
           "                       ::1 for IPv6, 0.0.0.0 for every IPv4 interface)\n"
           "  --port N             control port (default 8125; 0 picks a free one)\n"
           "  --mode wifi|stream   media in UDP datagrams to the port named in \"f\"\n"
           "                       (wifi, default) or on the control connection after\n"
           "                       \"g\" (stream: as over USB and Bluetooth)\n"
           "  --version N          protocol version in the \"e\" reply (default 3:\n"
           "                       check-byte headers; any other: plain headers)\n"
           "  --status-e N, --status-f N, --status-g N\n"
           "                       status byte of each reply (default 0: accepted)\n"
           "  --wav FILE           voice from a 48000 Hz mono 16-bit WAV file, looped\n"
           "                       (default: a generated voice-like signal)\n"
           "  --bitrate N          Opus bitrate in bit/s (default 32000)\n"
           "  --interval MS        time between packets (default 20)\n"
           "  --seconds N          exit after N seconds (default: run until killed)\n"
           "  --quiet              print only the start line and the summary\n"
           "\n"
           "Faults (N: every N-th packet or datagram of a connection):\n"
           "  --wrong-reply LETTERS  answer these requests (e.g. ef) with type 'x'\n"
           "  --no-reply LETTERS     never answer these requests\n"
           "  --reply-delay MS       wait before every reply\n"
           "  --close-on LETTERS     close the connection instead of answering\n"
           "  --silence              send no media at all\n"
           "  --stop-after N         stop the media after N packets\n"
           "  --close-after N        close the connection after N packets\n"
           "  --bad-check N          wrong check byte (version 3 only)\n"
           "  --oversize N           header announces --oversize-length bytes\n"
           "  --oversize-length L    default 1100; stream mode sends them all, wifi\n"
           "                         mode only the real payload\n"
           "  --undecodable N        a payload the Opus decoder rejects\n"
           "  --truncate N           wifi: datagram cut short inside its last payload\n"
           "  --per-datagram N       wifi: N packets in each datagram (default 1)\n"
           "  --jitter MS            a Wi-Fi link's timing: each packet 0 to MS ms late\n"
           "                         (in order), and every 1 to 3 s the packets of\n"
           "                         4 x MS ms held back and sent together, as a\n"
           "                         phone's Wi-Fi power saving does\n"
           "\n"
           "It prints every request it receives, in hex, and a summary at the end.\n";
}

}  // namespace kavri
