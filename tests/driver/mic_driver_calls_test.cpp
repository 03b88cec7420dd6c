#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/mic_device.h"
#include "tests/driver/mic_driver_fixture.h"
#include "ui/statistics_text.h"

namespace kavri::test {
namespace {

using Lines = std::vector<std::string>;

// Under Wine, CreateFileW's synchronous, non-overlapped open of a device
// arrives as FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE; an
// overlapped handle would lack the first, a write-through one add 0x2.
const char kOpen[] = "open share 3 options 60";

std::string hex2(uint32_t byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02x", byte & 0xFF);
    return text;
}

// What the driver must see when the client opens the device: the handshake
// answered with challenge ^ 0x5E, the version, the sample count, the start.
Lines openLines(uint32_t challenge, uint32_t version) {
    const bool plain = version >= 3;
    return {kOpen,
            "control 222004 in - out 1 -> " + hex2(challenge) + " ok",
            "control 222008 in " + hex2(challenge ^ 0x5E) + " out 0 ok",
            "control 22200c in - out 1 -> " + hex2(version) + " ok",
            std::string("control 222014 in ") + (plain ? "0b 40" : "03 c0") + " out 0 ok",
            "control 222010 in 01 out 0 ok"};
}

std::string audioLine(uint32_t version, int bytes) {
    return version >= 3 ? "write " + std::to_string(bytes) + " bytes ok"
                        : "control 222001 in " + std::to_string(bytes) + " bytes out 0 ok";
}

const Lines kCloseLines = {"control 222010 in 00 out 0 ok", "close"};

// The challenge the driver handed to a handle, from its record.
uint32_t challengeOf(const std::vector<DriverCall>& calls, uint32_t handle) {
    for (const DriverCall& call : calls) {
        if (call.handle == handle && call.code == MicDevice::IOCTL_MIC_GET_CHALLENGE)
            return call.value[0];
    }
    return 0x100;  // none: matches no byte
}

void printLines(const char* title, const Lines& lines) {
    std::printf("%s\n", title);
    for (const std::string& line : lines)
        std::printf("    %s\n", line.c_str());
}

std::vector<int16_t> ramp(int16_t start) {
    std::vector<int16_t> samples(960);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(start + static_cast<int16_t>(i * 7));
    return samples;
}

std::vector<uint8_t> bytesOf(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

class MicDriverCalls : public testing::TestWithParam<uint32_t> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MicDriverFixture::configure(GetParam()));
        ASSERT_TRUE(MicDriverFixture::clearRecord()) << "the test driver is not loaded";
    }

    std::vector<DriverCall> record() {
        std::vector<DriverCall> calls;
        EXPECT_TRUE(MicDriverFixture::readRecord(&calls));
        return calls;
    }
};

TEST_P(MicDriverCalls, OpenTwoFramesAndCloseReachTheDriverExactly) {
    const uint32_t version = GetParam();
    const auto first = ramp(-3000);
    const auto second = ramp(1234);
    {
        MicDevice device;
        ASSERT_TRUE(device.open());
        EXPECT_EQ(device.getVersion(), version);
        device.write(first.data(), 960);
        device.write(second.data(), 960);
        device.close();
        device.close();  // nothing more
    }
    const auto calls = record();
    ASSERT_EQ(MicDriverFixture::handles(calls), std::vector<uint32_t>{calls.at(0).handle});
    const uint32_t handle = calls[0].handle;

    Lines expected = openLines(challengeOf(calls, handle), version);
    expected.push_back(audioLine(version, 1920));
    expected.push_back(audioLine(version, 1920));
    expected.insert(expected.end(), kCloseLines.begin(), kCloseLines.end());
    const Lines seen = MicDriverFixture::describeHandle(calls, handle);
    EXPECT_EQ(seen, expected);
    printLines(("driver version " + std::to_string(version) + ", open, two frames, close:").c_str(),
               seen);

    // The samples arrive as written, in the machine's byte order.
    std::vector<std::vector<uint8_t>> audio;
    for (const DriverCall& call : calls) {
        if (call.isAudio())
            audio.push_back(call.data);
    }
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(audio[0], bytesOf(first));
    EXPECT_EQ(audio[1], bytesOf(second));
}

TEST_P(MicDriverCalls, DriverStateIsTheVersionTierAsTheStatisticsShowIt) {
    const uint32_t version = GetParam();
    const int expectedState = version >= 2 ? 1 : 0;

    // What the Statistics dialog gathers and formats.
    StatisticsValues values;
    values.driverState = MicDevice::queryDriverState();
    EXPECT_EQ(values.driverState, expectedState);
    wchar_t text[kStatisticsTextCapacity];
    formatStatisticsText(values, text, kStatisticsTextCapacity);
    const std::wstring line =
        L"\n\nDriver state: " + std::to_wstring(expectedState) + L"\n\nTime min: ";
    EXPECT_NE(std::wstring(text).find(line), std::wstring::npos);

    // The query runs a full open with its own start and stop.
    const auto calls = record();
    ASSERT_EQ(MicDriverFixture::handles(calls).size(), 1u);
    const uint32_t handle = calls.at(0).handle;
    Lines expected = openLines(challengeOf(calls, handle), version);
    expected.insert(expected.end(), kCloseLines.begin(), kCloseLines.end());
    EXPECT_EQ(MicDriverFixture::describeHandle(calls, handle), expected);
}

INSTANTIATE_TEST_SUITE_P(Version, MicDriverCalls, testing::Values(1u, 2u, 3u),
                         [](const auto& info) { return "V" + std::to_string(info.param); });

class MicDriverSession : public testing::Test {
  protected:
    std::vector<DriverCall> record() {
        std::vector<DriverCall> calls;
        EXPECT_TRUE(MicDriverFixture::readRecord(&calls));
        return calls;
    }
};

// The statistics query opens a handle of its own beside a playing one and
// sends its own start and stop; the playing handle goes on playing.
TEST_F(MicDriverSession, DriverStateQueryBesideAPlayingConnection) {
    ASSERT_TRUE(MicDriverFixture::configure(2));
    ASSERT_TRUE(MicDriverFixture::clearRecord());
    const auto frame = ramp(42);
    MicDevice playing;
    ASSERT_TRUE(playing.open());
    EXPECT_EQ(MicDevice::queryDriverState(), 1);
    playing.write(frame.data(), 960);
    playing.close();

    const auto calls = record();
    const auto handles = MicDriverFixture::handles(calls);
    ASSERT_EQ(handles.size(), 2u);
    Lines playingLines = openLines(challengeOf(calls, handles[0]), 2);
    playingLines.push_back(audioLine(2, 1920));
    playingLines.insert(playingLines.end(), kCloseLines.begin(), kCloseLines.end());
    EXPECT_EQ(MicDriverFixture::describeHandle(calls, handles[0]), playingLines);
    Lines queryLines = openLines(challengeOf(calls, handles[1]), 2);
    queryLines.insert(queryLines.end(), kCloseLines.begin(), kCloseLines.end());
    EXPECT_EQ(MicDriverFixture::describeHandle(calls, handles[1]), queryLines);
    EXPECT_NE(challengeOf(calls, handles[0]), challengeOf(calls, handles[1]));
}

// A driver that expects another key: the client cannot tell, so it opens and
// writes as usual, and the driver takes neither the start nor the audio.
TEST_F(MicDriverSession, DriverRefusingTheAnswerIgnoresStartAndAudio) {
    ASSERT_TRUE(MicDriverFixture::configure(3, 0x5F));
    ASSERT_TRUE(MicDriverFixture::clearRecord());
    const auto frame = ramp(-7);
    {
        MicDevice device;
        EXPECT_TRUE(device.open());
        device.write(frame.data(), 960);
    }  // the destructor closes
    const auto calls = record();
    ASSERT_EQ(MicDriverFixture::handles(calls).size(), 1u);
    const uint32_t handle = calls.at(0).handle;
    const std::string challenge = hex2(challengeOf(calls, handle));
    const Lines expected = {
        kOpen,
        "control 222004 in - out 1 -> " + challenge + " ok",
        "control 222008 in " + hex2(challengeOf(calls, handle) ^ 0x5E) + " out 0 refused",
        "control 22200c in - out 1 -> 03 ok",
        "control 222014 in 0b 40 out 0 ok",
        "control 222010 in 01 out 0 refused",
        "write 1920 bytes refused",
        "control 222010 in 00 out 0 refused",
        "close"};
    EXPECT_EQ(MicDriverFixture::describeHandle(calls, handle), expected);
    printLines("driver expecting another key:", MicDriverFixture::describeHandle(calls, handle));
}

}  // namespace
}  // namespace kavri::test
