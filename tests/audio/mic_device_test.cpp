#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "audio/mic_device.h"

namespace kavri {
namespace {

enum class Op { Open, Control, WriteFile, Close };

struct Call {
    Op op;
    uint32_t code = 0;
    std::vector<uint8_t> input;
};

// Records every call; answers the challenge and version as configured.
struct DriverScript {
    bool present = true;
    uint8_t challenge = 0xA5;
    std::optional<uint8_t> version = 2;  // nullopt: the version call fails
    std::vector<Call> calls;
};

class RecordingMicPort : public MicDevicePort {
  public:
    explicit RecordingMicPort(std::shared_ptr<DriverScript> script) : script_(std::move(script)) {}

    bool openDevice() override {
        script_->calls.push_back({Op::Open, 0, {}});
        return script_->present;
    }
    bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize) override {
        const auto* in = static_cast<const uint8_t*>(input);
        script_->calls.push_back({Op::Control, code, std::vector<uint8_t>(in, in + inputSize)});
        auto* out = static_cast<uint8_t*>(output);
        if (code == MicDevice::IOCTL_MIC_GET_CHALLENGE && outputSize >= 1) {
            *out = script_->challenge;
        }
        if (code == MicDevice::IOCTL_MIC_GET_VERSION) {
            if (!script_->version || outputSize < 1) {
                return false;
            }
            *out = *script_->version;
        }
        return true;
    }
    void writeFile(const void* data, uint32_t size) override {
        const auto* in = static_cast<const uint8_t*>(data);
        script_->calls.push_back({Op::WriteFile, 0, std::vector<uint8_t>(in, in + size)});
    }
    void closeDevice() override { script_->calls.push_back({Op::Close, 0, {}}); }

  private:
    std::shared_ptr<DriverScript> script_;
};

struct Rig {
    std::shared_ptr<DriverScript> script = std::make_shared<DriverScript>();
    std::unique_ptr<MicDevicePort> port() { return std::make_unique<RecordingMicPort>(script); }
};

std::vector<uint32_t> controlCodes(const std::vector<Call>& calls) {
    std::vector<uint32_t> codes;
    for (const Call& c : calls) {
        if (c.op == Op::Control)
            codes.push_back(c.code);
    }
    return codes;
}

std::vector<uint8_t> asBytes(const int16_t* samples, int count) {
    const auto* p = reinterpret_cast<const uint8_t*>(samples);
    return std::vector<uint8_t>(p, p + count * 2);
}

TEST(MicDevice, OpenRunsHandshakeVersionSampleCountAndStartInOrder) {
    Rig rig;
    rig.script->challenge = 0x37;
    MicDevice device(rig.port());
    ASSERT_TRUE(device.open());
    EXPECT_TRUE(device.isOpen());

    const auto& calls = rig.script->calls;
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].op, Op::Open);
    EXPECT_EQ(controlCodes(calls),
              (std::vector<uint32_t>{
                  MicDevice::IOCTL_MIC_GET_CHALLENGE, MicDevice::IOCTL_MIC_SET_RESPONSE,
                  MicDevice::IOCTL_MIC_GET_VERSION, MicDevice::IOCTL_MIC_SET_SAMPLE_COUNT,
                  MicDevice::IOCTL_MIC_SET_RUNNING}));
    EXPECT_TRUE(calls[1].input.empty());
    EXPECT_EQ(calls[2].input, std::vector<uint8_t>{0x69});  // 0x37 ^ 0x5E
    EXPECT_EQ(calls[4].input, (std::vector<uint8_t>{0x03, 0xC0}));
    EXPECT_EQ(calls[5].input, std::vector<uint8_t>{0x01});
}

TEST(MicDevice, ResponseIsChallengeXorKeyForEveryByte) {
    for (int challenge : {0x00, 0x5E, 0xFF, 0x80}) {
        Rig rig;
        rig.script->challenge = static_cast<uint8_t>(challenge);
        MicDevice device(rig.port());
        ASSERT_TRUE(device.open());
        ASSERT_EQ(rig.script->calls[2].code, MicDevice::IOCTL_MIC_SET_RESPONSE);
        EXPECT_EQ(rig.script->calls[2].input,
                  std::vector<uint8_t>{static_cast<uint8_t>(challenge ^ 0x5E)})
            << "challenge " << challenge;
    }
}

// What each driver version changes: the sample count, the write path and the state query.
struct VersionCase {
    std::optional<uint8_t> reported;
    uint8_t countHigh, countLow;
    bool plainWrites;
    int driverState;
};

void PrintTo(const VersionCase& v, std::ostream* os) {
    *os << "version " << (v.reported ? std::to_string(*v.reported) : "unreadable");
}

class MicDeviceVersion : public testing::TestWithParam<VersionCase> {};

TEST_P(MicDeviceVersion, SampleCountWritePathAndDriverState) {
    const VersionCase& v = GetParam();
    Rig rig;
    rig.script->version = v.reported;
    MicDevice device(rig.port());
    ASSERT_TRUE(device.open());
    EXPECT_EQ(device.getVersion(), v.reported.value_or(0));
    EXPECT_EQ(rig.script->calls[4].input, (std::vector<uint8_t>{v.countHigh, v.countLow}));

    int16_t frame[960];
    for (int i = 0; i < 960; ++i)
        frame[i] = static_cast<int16_t>(i * 37 - 17000);
    rig.script->calls.clear();
    device.write(frame, 960);
    ASSERT_EQ(rig.script->calls.size(), 1u);
    const Call& w = rig.script->calls[0];
    if (v.plainWrites) {
        EXPECT_EQ(w.op, Op::WriteFile);
    } else {
        EXPECT_EQ(w.op, Op::Control);
        EXPECT_EQ(w.code, MicDevice::IOCTL_MIC_WRITE_AUDIO);
    }
    EXPECT_EQ(w.input, asBytes(frame, 960));

    Rig query;
    query.script->version = v.reported;
    EXPECT_EQ(MicDevice::queryDriverState(query.port()), v.driverState);
}

INSTANTIATE_TEST_SUITE_P(Tiers, MicDeviceVersion,
                         testing::Values(VersionCase{std::nullopt, 0x03, 0xC0, false, 0},
                                         VersionCase{0, 0x03, 0xC0, false, 0},
                                         VersionCase{1, 0x03, 0xC0, false, 0},
                                         VersionCase{2, 0x03, 0xC0, false, 1},
                                         VersionCase{3, 0x0B, 0x40, true, 1},
                                         VersionCase{200, 0x0B, 0x40, true, 1}),
                         [](const testing::TestParamInfo<VersionCase>& info) {
                             return info.param.reported
                                        ? "version" + std::to_string(*info.param.reported)
                                        : std::string("unreadable");
                         });

TEST(MicDevice, CloseSendsStopOnceThenClosesAndSecondCloseIsSilent) {
    Rig rig;
    MicDevice device(rig.port());
    ASSERT_TRUE(device.open());
    rig.script->calls.clear();
    device.close();
    ASSERT_EQ(rig.script->calls.size(), 2u);
    EXPECT_EQ(rig.script->calls[0].code, MicDevice::IOCTL_MIC_SET_RUNNING);
    EXPECT_EQ(rig.script->calls[0].input, std::vector<uint8_t>{0x00});
    EXPECT_EQ(rig.script->calls[1].op, Op::Close);
    EXPECT_FALSE(device.isOpen());

    device.close();
    int16_t frame[960] = {};
    device.write(frame, 960);
    EXPECT_EQ(rig.script->calls.size(), 2u);
}

TEST(MicDevice, MissingDeviceIssuesNothingAfterTheOpenAttempt) {
    Rig rig;
    rig.script->present = false;
    {
        MicDevice device(rig.port());
        EXPECT_FALSE(device.open());
        EXPECT_FALSE(device.isOpen());
        int16_t frame[960] = {};
        device.write(frame, 960);
        device.close();
    }  // the destructor closes nothing either
    ASSERT_EQ(rig.script->calls.size(), 1u);
    EXPECT_EQ(rig.script->calls[0].op, Op::Open);

    Rig query;
    query.script->present = false;
    EXPECT_EQ(MicDevice::queryDriverState(query.port()), 0);
    EXPECT_EQ(query.script->calls.size(), 1u);
}

TEST(MicDevice, DriverStateQueryRunsAFullOpenAndClose) {
    Rig rig;
    rig.script->version = 2;
    ASSERT_EQ(MicDevice::queryDriverState(rig.port()), 1);
    const auto& calls = rig.script->calls;
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[5].input, std::vector<uint8_t>{0x01});
    EXPECT_EQ(calls[6].code, MicDevice::IOCTL_MIC_SET_RUNNING);
    EXPECT_EQ(calls[6].input, std::vector<uint8_t>{0x00});
    EXPECT_EQ(calls[7].op, Op::Close);
}

TEST(MicDevice, ReopenReadsTheVersionAgainAndDestructorStops) {
    Rig rig;
    rig.script->version = 3;
    {
        MicDevice device(rig.port());
        ASSERT_TRUE(device.open());
        device.close();
        rig.script->version = 1;  // an older driver installed in between
        ASSERT_TRUE(device.open());
        EXPECT_EQ(device.getVersion(), 1);
        const auto& calls = rig.script->calls;
        EXPECT_EQ(calls[calls.size() - 2].input, (std::vector<uint8_t>{0x03, 0xC0}));
        rig.script->calls.clear();
    }
    ASSERT_EQ(rig.script->calls.size(), 2u);
    EXPECT_EQ(rig.script->calls[0].input, std::vector<uint8_t>{0x00});
    EXPECT_EQ(rig.script->calls[1].op, Op::Close);
}

TEST(MicDevice, WritesTheWholeBlockAndIgnoresEmptyOnes) {
    Rig rig;
    rig.script->version = 3;
    MicDevice device(rig.port());
    ASSERT_TRUE(device.open());
    rig.script->calls.clear();
    int16_t silence[1920] = {};
    device.write(silence, 1920);
    device.write(silence, 0);
    device.write(silence, -4);
    device.write(nullptr, 960);
    ASSERT_EQ(rig.script->calls.size(), 1u);
    EXPECT_EQ(rig.script->calls[0].input.size(), 3840u);
}

}  // namespace
}  // namespace kavri
