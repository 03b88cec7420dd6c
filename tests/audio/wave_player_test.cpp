#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "audio/wave_player.h"

namespace kavri {
namespace {

// Records the calls in order ("prepare 1 1920", "write 1", ...) and keeps a
// copy of each prepared buffer's bytes.
struct OutputScript {
    bool opens = true;
    bool notifiesOpen = true;
    bool prepareFails = false;
    bool writeFails = false;
    int closes = 0;
    std::vector<std::string> calls;
    std::vector<std::vector<uint8_t>> prepared;
};

class RecordingWaveOut : public WaveOutPort {
  public:
    explicit RecordingWaveOut(std::shared_ptr<OutputScript> script) : script_(std::move(script)) {}

    bool openOutput(WavePlayer* player) override {
        script_->calls.push_back("open");
        if (script_->opens && script_->notifiesOpen)
            player->onOpen();
        return script_->opens;
    }
    bool prepare(int index, const uint8_t* data, int bytes) override {
        script_->calls.push_back("prepare " + std::to_string(index) + " " + std::to_string(bytes));
        script_->prepared.emplace_back(data, data + bytes);
        return !script_->prepareFails;
    }
    void unprepare(int index) override {
        script_->calls.push_back("unprepare " + std::to_string(index));
    }
    bool write(int index) override {
        script_->calls.push_back("write " + std::to_string(index));
        return !script_->writeFails;
    }
    void closeOutput() override {
        script_->calls.push_back("close");
        ++script_->closes;
    }

  private:
    std::shared_ptr<OutputScript> script_;
};

class WavePlayerTest : public testing::Test {
  protected:
    WavePlayerTest() : player(std::make_unique<RecordingWaveOut>(script)) {
        for (int i = 0; i < 1920; ++i)
            samples[i] = static_cast<int16_t>(i * 31 - 30000);
    }

    int writeFrame() { return player.write(samples, 960); }
    std::vector<std::string> writtenIndices() const {
        std::vector<std::string> out;
        for (const auto& c : script->calls) {
            if (c.rfind("write ", 0) == 0)
                out.push_back(c.substr(6));
        }
        return out;
    }

    std::shared_ptr<OutputScript> script = std::make_shared<OutputScript>();
    WavePlayer player;
    int16_t samples[1920];
};

TEST_F(WavePlayerTest, RingStartsAtHeaderOneAndHoldsAtMostNineOutstanding) {
    ASSERT_EQ(player.open(), 0);
    for (int i = 0; i < 9; ++i)
        ASSERT_EQ(writeFrame(), 0) << "write " << i;
    EXPECT_EQ(writtenIndices(),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));

    const size_t callsBefore = script->calls.size();
    EXPECT_EQ(writeFrame(), -1);  // the tenth with no completion is dropped
    EXPECT_EQ(script->calls.size(), callsBefore);

    player.onDone();
    EXPECT_EQ(writeFrame(), 0);
    EXPECT_EQ(writtenIndices().back(), "0");
    EXPECT_EQ(writeFrame(), -1);

    // Header 1 comes round again and is unprepared before its reuse.
    player.onDone();
    script->calls.clear();
    EXPECT_EQ(writeFrame(), 0);
    EXPECT_EQ(script->calls,
              (std::vector<std::string>{"unprepare 1", "prepare 1 1920", "write 1"}));
}

TEST_F(WavePlayerTest, QueuesExactlyTheSamplesGiven) {
    ASSERT_EQ(player.open(), 0);
    ASSERT_EQ(player.write(samples, 960), 0);
    ASSERT_EQ(player.write(samples + 100, 480), 0);
    ASSERT_EQ(script->prepared.size(), 2u);
    EXPECT_EQ(script->prepared[0].size(), 1920u);
    EXPECT_EQ(std::memcmp(script->prepared[0].data(), samples, 1920), 0);
    EXPECT_EQ(script->calls[3], "prepare 2 960");
    EXPECT_EQ(std::memcmp(script->prepared[1].data(), samples + 100, 960), 0);
}

TEST_F(WavePlayerTest, LongBlockIsSplitOverTwoHeadersWithoutOverflow) {
    ASSERT_EQ(player.open(), 0);
    ASSERT_EQ(player.write(samples, 1920), 0);
    EXPECT_EQ(script->calls, (std::vector<std::string>{"open", "prepare 1 1920", "write 1",
                                                       "prepare 2 1920", "write 2"}));
    EXPECT_EQ(std::memcmp(script->prepared[0].data(), samples, 1920), 0);
    EXPECT_EQ(std::memcmp(script->prepared[1].data(), samples + 960, 1920), 0);

    ASSERT_EQ(player.write(samples, 1000), 0);  // 960 + 40
    EXPECT_EQ(script->calls.back(), "write 4");
    EXPECT_EQ(script->prepared.back().size(), 80u);
    EXPECT_EQ(std::memcmp(script->prepared.back().data(), samples + 960, 80), 0);
}

TEST_F(WavePlayerTest, LongBlockNeedingMoreSlotsThanFreeIsDroppedWhole) {
    ASSERT_EQ(player.open(), 0);
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(writeFrame(), 0);
    const size_t callsBefore = script->calls.size();
    EXPECT_EQ(player.write(samples, 1920), -1);
    EXPECT_EQ(script->calls.size(), callsBefore);
    EXPECT_EQ(writeFrame(), 0);  // the one free slot is still there
    EXPECT_EQ(player.write(samples, std::numeric_limits<int>::max()),
              -1);  // no count can run past the ring
}

TEST_F(WavePlayerTest, RefusesWritesWhenNotOpen) {
    EXPECT_EQ(writeFrame(), -1);  // before open
    ASSERT_EQ(player.open(), 0);
    player.close();
    EXPECT_EQ(writeFrame(), -1);  // after close
    EXPECT_EQ(script->calls, (std::vector<std::string>{"open", "close"}));

    script->opens = false;
    EXPECT_EQ(player.open(), -1);
    EXPECT_EQ(writeFrame(), -1);  // after a failed open
    player.close();
    EXPECT_EQ(script->closes, 1);
}

TEST_F(WavePlayerTest, RejectsEmptyAndBrokenBlocks) {
    ASSERT_EQ(player.open(), 0);
    EXPECT_EQ(player.write(samples, 0), -1);
    EXPECT_EQ(player.write(samples, -960), -1);
    EXPECT_EQ(player.write(nullptr, 960), -1);
    EXPECT_EQ(script->calls.size(), 1u);
}

TEST_F(WavePlayerTest, CloseTwiceClosesOnceAndDestructorCloses) {
    ASSERT_EQ(player.open(), 0);
    player.close();
    player.close();
    EXPECT_EQ(script->closes, 1);

    auto other = std::make_shared<OutputScript>();
    {
        WavePlayer temporary(std::make_unique<RecordingWaveOut>(other));
        ASSERT_EQ(temporary.open(), 0);
    }
    EXPECT_EQ(other->closes, 1);
}

TEST_F(WavePlayerTest, OutputOpenedWithoutNotificationRefusesWritesButIsClosed) {
    script->notifiesOpen = false;
    EXPECT_EQ(player.open(), 0);
    EXPECT_EQ(writeFrame(), -1);
    player.close();
    EXPECT_EQ(script->closes, 1);
}

TEST_F(WavePlayerTest, FailedPrepareTakesNoSlotButFailedWriteDoes) {
    ASSERT_EQ(player.open(), 0);
    script->prepareFails = true;
    EXPECT_EQ(writeFrame(), -1);
    script->prepareFails = false;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(writeFrame(), 0) << "write " << i;
    EXPECT_EQ(writeFrame(), -1);

    ASSERT_EQ(player.open(), 0);  // fresh counts and index
    EXPECT_EQ(script->closes, 1);
    script->writeFails = true;
    EXPECT_EQ(writeFrame(), -1);
    script->writeFails = false;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(writeFrame(), 0) << "write " << i;
    EXPECT_EQ(writeFrame(), -1);
}

TEST_F(WavePlayerTest, ReopenStartsAgainAtHeaderOne) {
    ASSERT_EQ(player.open(), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(writeFrame(), 0);
    player.close();
    ASSERT_EQ(player.open(), 0);
    script->calls.clear();
    ASSERT_EQ(writeFrame(), 0);
    // Left prepared by the last connection, so unprepared on first reuse.
    EXPECT_EQ(script->calls,
              (std::vector<std::string>{"unprepare 1", "prepare 1 1920", "write 1"}));
}

}  // namespace
}  // namespace kavri
