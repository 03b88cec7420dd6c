// Runs the receive path or a bare opus_decode over the same packets, for an
// instruction count under callgrind (bench/callgrind_ratio.sh). Only the
// kavri_measure_* functions are meant to be counted.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/common/bare_decode.h"
#include "bench/common/encoded_voice.h"
#include "bench/common/receive_path.h"

using kavri::bench::BareDecode;
using kavri::bench::ReceivePath;

extern "C" __attribute__((noinline)) int kavri_measure_bare(BareDecode* bare, int packets) {
    int decoded = 0;
    for (int i = 0; i < packets; ++i)
        decoded += bare->step() ? 1 : 0;
    return decoded;
}

extern "C" __attribute__((noinline)) int kavri_measure_path(ReceivePath* path, int packets) {
    int decoded = 0;
    for (int i = 0; i < packets; ++i)
        decoded += path->step() ? 1 : 0;
    return decoded;
}

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "bare") != 0 && std::strcmp(argv[1], "path") != 0)) {
        std::fprintf(stderr, "usage: kavri_receive_driver bare|path [packets]\n");
        return 2;
    }
    const int packets = argc > 2 ? std::atoi(argv[2]) : 500;
    if (packets <= 0 || packets > 100000) {
        std::fprintf(stderr, "packets: 1 to 100000\n");
        return 2;
    }
    const auto voice = kavri::bench::encodeVoice(packets);
    int decoded = 0;
    if (std::strcmp(argv[1], "bare") == 0) {
        BareDecode bare(voice);
        decoded = kavri_measure_bare(&bare, packets);
    } else {
        ReceivePath path(voice);
        decoded = kavri_measure_path(&path, packets);
    }
    std::printf("%s: %d of %d packets decoded\n", argv[1], decoded, packets);
    return decoded == packets ? 0 : 1;
}
