// Writes the fuzz targets' seed inputs, each made from valid input: media
// packets with real Opus payloads from the phone simulator's encoder and
// packet writer, the phone's usual replies, a saved settings file and adb's
// usual listings. Usage: kavri-fuzz-seeds <corpus directory>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/phone_sim/lib/sim_packet.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

fs::path g_root;
kavri::SimVoiceEncoder g_encoder;

void writeSeed(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = g_root / target;
    fs::create_directories(dir);
    std::ofstream out(dir / (name + ".bin"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string& target, const std::string& name, const std::string& text) {
    writeSeed(target, name, Bytes(text.begin(), text.end()));
}

// One packet with the next 20 ms of the simulator's voice.
Bytes packet(bool checked, uint32_t word, bool badCheck = false, int announced = -1) {
    uint8_t payload[1024];
    const int length = g_encoder.encodeNext(payload, sizeof payload);
    kavri::SimPacket p;
    p.checkByteFormat = checked;
    p.headerWord = word;
    p.payload = payload;
    p.payloadLength = length;
    p.announcedLength = announced;
    p.badCheck = badCheck;
    uint8_t out[1100];
    const int n = kavri::buildMediaPacket(p, out, sizeof out);
    return Bytes(out, out + (n > 0 ? n : 0));
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

// Datagram target framing: 2-byte length, the sender in its top two bits.
constexpr int FROM_PHONE = 0, FROM_IPV6_LOOPBACK = 1, FROM_OTHER_HOST = 2;
Bytes datagram(const Bytes& bytes, int sender = FROM_PHONE) {
    const size_t n = bytes.size();
    Bytes d = {static_cast<uint8_t>((n >> 8) | sender << 6), static_cast<uint8_t>(n)};
    d.insert(d.end(), bytes.begin(), bytes.end());
    return d;
}

void mediaSeeds() {
    writeSeed("media_stream", "plain_three",
              join({{0}, packet(false, 1), packet(false, 2), packet(false, 3)}));
    writeSeed("media_stream", "checked_three",
              join({{1}, packet(true, 1), packet(true, 2), packet(true, 3)}));
    writeSeed("media_stream", "checked_bad_check_between",
              join({{1}, packet(true, 7), packet(true, 8, true), packet(true, 9)}));
    writeSeed("media_stream", "checked_empty_payload", join({{1}, {0, 0, 0, 5, 0, 0}, packet(true, 6)}));
    // Announces more than the payload buffer holds; the filler is read past.
    Bytes oversize = {0, 0, 0, 4, 0x05, 0xDC};
    oversize.resize(6 + 1500, 0x55);
    writeSeed("media_stream", "plain_oversize_then_good", join({{0}, oversize, packet(false, 5)}));

    writeSeed("media_datagram", "plain_one_per_datagram",
              join({{0}, datagram(packet(false, 1)), datagram(packet(false, 2)),
                    datagram(packet(false, 3))}));
    writeSeed("media_datagram", "checked_two_per_datagram",
              join({{1}, datagram(join({packet(true, 1), packet(true, 2)})),
                    datagram(packet(true, 3))}));
    writeSeed("media_datagram", "checked_filtered_stranger",
              join({{1 | 1 << 1}, datagram(packet(true, 1)),
                    datagram(packet(true, 2), FROM_OTHER_HOST), datagram(packet(true, 3))}));
    writeSeed("media_datagram", "plain_phone_on_ipv6",
              join({{2 << 1}, datagram(packet(false, 1), FROM_IPV6_LOOPBACK),
                    datagram(packet(false, 2)), datagram(packet(false, 3), FROM_IPV6_LOOPBACK)}));
    writeSeed("media_datagram", "checked_phone_ipv4_mapped",
              join({{1 | 3 << 1}, datagram(packet(true, 1)),
                    datagram(packet(true, 2), FROM_IPV6_LOOPBACK), datagram(packet(true, 3))}));
    Bytes truncated = packet(false, 4);
    truncated.resize(truncated.size() / 2);
    writeSeed("media_datagram", "plain_truncated_then_good",
              join({{0}, datagram(truncated), datagram(packet(false, 5))}));
    Bytes big(1100, 0x33);
    writeSeed("media_datagram", "plain_oversized_datagram_then_good",
              join({{0}, datagram(big), datagram(packet(false, 6))}));
}

void replySeeds() {
    const Bytes e = {'e', 0, 0, 0, 2, 0, 3};
    const Bytes f = {'f', 0, 0, 0, 1, 0};
    const Bytes g = {'g', 0, 0, 0, 1, 0};
    writeSeed("control_reply", "accepted_version3", join({e, f, g}));
    writeSeed("control_reply", "accepted_version2", join({{'e', 0, 0, 0, 2, 0, 2}, f, g}));
    writeSeed("control_reply", "status_refused", join({{'e', 0, 0, 0, 2, 5, 3}, {'f', 0, 0, 0, 1, 7}, g}));
    writeSeed("control_reply", "wrong_type_first", join({{'x', 0, 0, 0, 1, 0}, f, g}));
    writeSeed("control_reply", "short_reply", {'e', 0, 0});
}

void settingsSeeds() {
    writeText("settings_load", "saved_defaults",
              "transportType:1\r\nwifiServerAddr:127.0.0.1\r\nplayLocally:0\r\ncontrolPort:8125\r\n"
              "mediaPort:49152\r\nautoConnect:0\r\nwindow:200,200,500,300,1200\r\n"
              "btAddress:0.0.0.0.0.0\r\n");
    writeText("settings_load", "every_rule",
              "\xEF\xBB\xBFtransportType:3\n  mediaPort :5000\nwifiServerAddr:fe80::1\n"
              "playLocally:true\nautoConnect:1\nwindow:-100,-100,600,320,720\n"
              "btAddress:255.128.0.1.2.300\ntransportType\ncontrolPort:1\ncontrolPort:2");
    writeText("settings_load", "bad_window_short_address",
              "window:10,20,30,40,99\nbtAddress:1.2.3\ncontrolPort:99999999999\n");
}

void adbSeeds() {
    writeText("adb_listing", "header_only", "List of devices attached\n\n");
    writeText("adb_listing", "one_device", "List of devices attached\nR58M123ABC\tdevice\n\n");
    writeText("adb_listing", "unauthorized", "List of devices attached\nR58M123ABC\tunauthorized\n\n");
    writeText("adb_listing", "daemon_started",
              "* daemon not running; starting now at tcp:5037\n* daemon started successfully\n"
              "List of devices attached\nemulator-5554\tdevice\n\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    std::string error;
    if (!g_encoder.open(32000, "", &error)) {
        std::fprintf(stderr, "encoder: %s\n", error.c_str());
        return 1;
    }
    mediaSeeds();
    replySeeds();
    settingsSeeds();
    adbSeeds();
    return 0;
}
