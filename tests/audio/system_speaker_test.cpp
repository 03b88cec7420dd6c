#include <gtest/gtest.h>

#include "audio/wave_player.h"

namespace kavri {
namespace {

// The machine's real speaker output may or may not exist (no sound server on
// a build machine, no device under Wine); either way open returns promptly
// and the player's writes agree with its open.
TEST(SystemSpeaker, OpensOrFailsCleanlyAndWritesAgreeWithOpen) {
    WavePlayer player;
    int16_t frame[960] = {};
    EXPECT_EQ(player.write(frame, 960), -1);
    const int opened = player.open();
    ASSERT_TRUE(opened == 0 || opened == -1);
    if (opened == 0) {
        EXPECT_EQ(player.write(frame, 960), 0);
        int16_t silence[1920] = {};
        EXPECT_EQ(player.write(silence, 1920), 0);
    } else {
        EXPECT_EQ(player.write(frame, 960), -1);
    }
    player.close();
    EXPECT_EQ(player.write(frame, 960), -1);
    // A second connection's open behaves the same.
    EXPECT_EQ(player.open(), opened);
    player.close();
}

}  // namespace
}  // namespace kavri
