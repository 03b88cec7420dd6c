#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/driver/test_mic_record.h"

namespace kavri::test {

// One request the test driver saw, with its outcome.
struct DriverCall {
    uint32_t kind = 0;
    uint32_t handle = 0;
    uint32_t code = 0;
    uint32_t status = 0;
    uint32_t inputLength = 0;
    uint32_t outputLength = 0;
    uint32_t information = 0;
    uint32_t flags = 0;
    uint32_t value[4] = {};
    std::vector<uint8_t> data;

    bool accepted() const { return (flags & TEST_MIC_ACCEPTED) != 0; }
    bool isAudio() const;
    // One line: what the client sent and what the driver made of it, e.g.
    // "control 222008 in 65 out 0 ok" or "write 1920 bytes ok".
    std::string describe() const;
};

// The test driver loaded under Wine: its parameters and its record.
class MicDriverFixture {
  public:
    static constexpr uint32_t KEY = 0x5E;

    // Interface version and handshake key for the next opens of the device.
    static bool configure(uint32_t version, uint32_t key = KEY);
    static bool clearRecord();
    // False when the record device cannot be read.
    static bool readRecord(std::vector<DriverCall>* calls);

    // The calls of one handle, described; audio calls only by their size.
    static std::vector<std::string> describeHandle(const std::vector<DriverCall>& calls,
                                                   uint32_t handle);
    // The handles opened, in order of opening.
    static std::vector<uint32_t> handles(const std::vector<DriverCall>& calls);
};

}  // namespace kavri::test
