#include <gtest/gtest.h>

#include <vector>

#include "tests/driver/reference_voice.h"

namespace kavri::test {
namespace {

using Frames = std::vector<ReferenceVoice::Frame>;

class ReferenceVoiceMatch : public testing::Test {
  protected:
    static void SetUpTestSuite() { voice = new ReferenceVoice(250, 32000); }
    static void TearDownTestSuite() {
        delete voice;
        voice = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(voice->ok()) << voice->error(); }

    static void add(Frames* frames, int from, int to) {
        for (int i = from; i < to; ++i)
            frames->push_back(voice->frame(i));
    }

    static ReferenceVoice* voice;
};

ReferenceVoice* ReferenceVoiceMatch::voice = nullptr;

TEST_F(ReferenceVoiceMatch, LeadInRepeatsAndAShortGapAreToldApart) {
    Frames written(2, ReferenceVoice::Frame(1920, 0));
    add(&written, 0, 50);
    written.push_back(voice->frame(49));  // a tick that found nothing new
    add(&written, 52, 60);                // 50 and 51 never came
    const auto m = voice->match(written, 1920);
    EXPECT_EQ(m.leadIn, 2);
    EXPECT_EQ(m.exact, 58);
    EXPECT_EQ(m.repeated, 1);
    EXPECT_EQ(m.lost, 2);
    EXPECT_EQ(m.trimmed, 0);
    EXPECT_EQ(m.mismatched, 0);
    EXPECT_EQ(m.firstIndex, 0);
    EXPECT_EQ(m.lastIndex, 59);
}

TEST_F(ReferenceVoiceMatch, AGapAfterAHundredNewFramesInARowIsATrim) {
    // Frames 100 to 119 are a pause in the voice (all alike), so the gaps
    // are put where every frame differs.
    Frames written;
    add(&written, 0, 60);
    // 60 and 61 dropped on the receiving side: the run of ticks goes on.
    add(&written, 62, 131);
    add(&written, 135, 141);
    // After a repeat the run starts again, so the same kind of gap is a loss.
    written.push_back(voice->frame(140));
    add(&written, 141, 151);
    add(&written, 154, 161);
    const auto m = voice->match(written, 1920);
    EXPECT_EQ(m.trimmed, 4);
    EXPECT_EQ(m.lost, 5);
    EXPECT_EQ(m.repeated, 1);
}

// A tick that found no frame inside the pause (frames 100 to 119) restarted
// the client's run there, but it shows only where the pause ends.
TEST_F(ReferenceVoiceMatch, ARepeatInAPauseMayHaveRestartedTheRunAnywhereInIt) {
    Frames written;
    add(&written, 0, 101);
    written.push_back(voice->frame(100));
    add(&written, 101, 201);  // a hundred new frames since the repeat
    add(&written, 204, 211);
    auto m = voice->match(written, 1920);
    EXPECT_EQ(m.repeated, 1);
    EXPECT_EQ(m.trimmed, 3);
    EXPECT_EQ(m.lost, 0);

    // One frame fewer since the repeat: the client could not have trimmed.
    written.erase(written.begin() + 101 + 1 + 99);  // frame 200
    m = voice->match(written, 1920);
    EXPECT_EQ(m.trimmed, 0);
    EXPECT_EQ(m.lost, 4);
}

TEST_F(ReferenceVoiceMatch, AChangedSampleOrAMissingStartIsCaught) {
    Frames written;
    add(&written, 3, 20);
    written[5][100] ^= 1;
    const auto m = voice->match(written, 1920);
    EXPECT_EQ(m.firstIndex, 3);
    EXPECT_EQ(m.lost, 3);
    EXPECT_EQ(m.mismatched, 1);
    EXPECT_EQ(m.exact, 16);
}

}  // namespace
}  // namespace kavri::test
