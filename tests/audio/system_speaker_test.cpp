#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "audio/wave_player.h"
#include "tests/support/test_sound_output.h"

namespace kavri {
namespace {

using Clock = std::chrono::steady_clock;

struct Playing {
    WavePlayer* player;
    int accepted = 0;
};

// A loud 1 kHz tone, 20 ms at a time and at the pace the playout timer keeps.
// A block finding every buffer busy is dropped by design, so only the count
// of accepted blocks is kept.
void playTone(void* context) {
    auto* playing = static_cast<Playing*>(context);
    int16_t frame[960];
    for (int i = 0; i < 960; ++i) {
        frame[i] = static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * 1000 * i / 48000));
    }
    auto next = Clock::now();
    for (int n = 0; n < 60; ++n) {
        if (playing->player->write(frame, 960) == 0) {
            ++playing->accepted;
        }
        next += std::chrono::milliseconds(20);
        std::this_thread::sleep_until(next);
    }
}

// The real speaker output against the test's own sound output: it opens
// exactly when there is a device, and what it plays arrives there.
TEST(SystemSpeaker, OpensWhenThereIsADeviceAndItsToneArrives) {
    test::TestSoundOutput output;
    ASSERT_TRUE(output.start()) << output.error();
    WavePlayer player;
    int16_t frame[960] = {};
    EXPECT_EQ(player.write(frame, 960), -1);  // not open yet
    const int expected = output.deviceExpected() ? 0 : -1;
    ASSERT_EQ(player.open(), expected);
    if (expected != 0) {
        EXPECT_EQ(player.write(frame, 960), -1);
        player.close();
        return;
    }
    Playing playing{&player};
    if (output.canRecord()) {
        // Silence until the tone starts, then the tone: far above any noise.
        EXPECT_GT(output.peakWhile(1500, playTone, &playing), 8000);
    } else {
        playTone(&playing);
    }
    // At least the blocks that fit before the first one comes back.
    EXPECT_GE(playing.accepted, WavePlayer::MAX_OUTSTANDING);
    player.close();
    EXPECT_EQ(player.write(frame, 960), -1);
    // A second connection opens the output again.
    EXPECT_EQ(player.open(), 0);
    player.close();
}

TEST(SystemSpeaker, WithoutASoundServerOpenFailsPromptlyAndWritesAreRefused) {
    if (!test::TestSoundOutput::pointAtNoServer()) {
        GTEST_SKIP() << "the system's own devices cannot be taken away here";
    }
    WavePlayer player;
    const auto start = Clock::now();
    EXPECT_EQ(player.open(), -1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    int16_t frame[960] = {};
    EXPECT_EQ(player.write(frame, 960), -1);
    player.close();
    test::TestSoundOutput::forgetServer();
}

}  // namespace
}  // namespace kavri
