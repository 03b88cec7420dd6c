#include <gtest/gtest.h>

#include <thread>

#include "core/mutex.h"
#include "core/playout_queue.h"

namespace kavri {
namespace {

AudioFrame frameOf(uint32_t sequence, int samples, int16_t value) {
    AudioFrame f;
    f.sequence = sequence;
    f.countOfSamples = samples;
    for (int i = 0; i < samples; ++i)
        f.data[i] = value;
    return f;
}

TEST(PlayoutQueue, NewQueueIsEmpty) {
    PlayoutQueue q;
    EXPECT_EQ(q.getCount(), 0);
    EXPECT_TRUE(q.isEmpty());
    EXPECT_FALSE(q.isFull());
    AudioFrame out = frameOf(5, 3, 7);
    EXPECT_FALSE(q.get(out));
    EXPECT_EQ(out.sequence, 5u);
    EXPECT_EQ(out.countOfSamples, 3);
    EXPECT_EQ(out.data[0], 7);
}

TEST(PlayoutQueue, FrameRoundTripsWithItsSamples) {
    PlayoutQueue q;
    ASSERT_TRUE(q.put(frameOf(42, 960, 0x5A5A)));
    EXPECT_EQ(q.getCount(), 1);
    EXPECT_FALSE(q.isEmpty());
    EXPECT_FALSE(q.isFull());
    AudioFrame out = frameOf(0, 1920, -1);
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.sequence, 42u);
    EXPECT_EQ(out.countOfSamples, 960);
    for (int i = 0; i < 960; ++i)
        ASSERT_EQ(out.data[i], 0x5A5A) << i;
    // Only the frame's own samples are copied; the rest keep their values.
    EXPECT_EQ(out.data[960], -1);
    EXPECT_EQ(out.data[1919], -1);
    EXPECT_TRUE(q.isEmpty());
}

TEST(PlayoutQueue, HoldsNineFramesInOrderAndRefusesTheTenth) {
    PlayoutQueue q;
    for (int k = 1; k <= 9; ++k) {
        ASSERT_TRUE(q.put(frameOf(k, 960, static_cast<int16_t>(k))));
        EXPECT_EQ(q.getCount(), k);
        EXPECT_FALSE(q.isEmpty());
        EXPECT_EQ(q.isFull(), k == 9);
    }
    EXPECT_FALSE(q.put(frameOf(10, 960, 10)));
    EXPECT_EQ(q.getCount(), 9);

    AudioFrame out;
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.sequence, 1u);
    EXPECT_EQ(q.getCount(), 8);
    ASSERT_TRUE(q.put(frameOf(10, 960, 10)));
    EXPECT_TRUE(q.isFull());
    // The ring wraps: frames 2 to 10 come out in order.
    for (int k = 2; k <= 10; ++k) {
        ASSERT_TRUE(q.get(out));
        EXPECT_EQ(out.sequence, static_cast<uint32_t>(k));
        EXPECT_EQ(out.data[959], k);
        EXPECT_EQ(q.getCount(), 10 - k);
    }
    EXPECT_TRUE(q.isEmpty());
    EXPECT_FALSE(q.get(out));
}

TEST(PlayoutQueue, SkipKeepsTheNewestThree) {
    PlayoutQueue q;
    const int expected[] = {1, 2, 3, 3, 3};
    for (int k = 1; k <= 19; ++k) {
        ASSERT_TRUE(q.put(frameOf(k, 4, 0)));
        q.skip();
        EXPECT_EQ(q.getCount(), expected[std::min(k, 5) - 1]) << k;
    }
    AudioFrame out;
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.sequence, 17u);
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.sequence, 18u);

    // From a full queue too, across the wrap of the ring.
    PlayoutQueue full;
    for (int k = 1; k <= 9; ++k)
        full.put(frameOf(k, 1, 0));
    full.skip();
    EXPECT_EQ(full.getCount(), 3);
    ASSERT_TRUE(full.get(out));
    EXPECT_EQ(out.sequence, 7u);
    for (int k = 10; k <= 15; ++k)
        ASSERT_TRUE(full.put(frameOf(k, 1, 0)));
    full.skip();
    ASSERT_TRUE(full.get(out));
    EXPECT_EQ(out.sequence, 13u);
}

TEST(PlayoutQueue, EmptyFramesAndResetAndOversizedCounts) {
    PlayoutQueue q;
    ASSERT_TRUE(q.put(frameOf(1, 0, 0)));
    AudioFrame out = frameOf(0, 5, 9);
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.countOfSamples, 0);
    EXPECT_EQ(out.sequence, 1u);
    EXPECT_EQ(out.data[0], 9);

    q.put(frameOf(2, 10, 2));
    q.put(frameOf(3, 10, 3));
    q.reset();
    EXPECT_TRUE(q.isEmpty());
    ASSERT_TRUE(q.put(frameOf(4, 10, 4)));
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.sequence, 4u);

    // A count beyond the frame's room is cut to the room, never copied past it.
    AudioFrame broken = frameOf(5, 1920, 1);
    broken.countOfSamples = 5000;
    ASSERT_TRUE(q.put(broken));
    ASSERT_TRUE(q.get(out));
    EXPECT_EQ(out.countOfSamples, AudioFrame::MAX_SAMPLES);
}

TEST(PlayoutQueue, ProducerAndConsumerThreadsLoseNothingAndKeepOrder) {
    PlayoutQueue q;
    constexpr int kFrames = 3000;
    std::thread producer([&] {
        for (int k = 0; k < kFrames;) {
            if (q.put(frameOf(k, 960, static_cast<int16_t>(k)))) {
                ++k;
            } else {
                std::this_thread::yield();
            }
        }
    });
    int next = 0;
    AudioFrame out;
    while (next < kFrames) {
        if (!q.get(out)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(out.sequence, static_cast<uint32_t>(next));
        ASSERT_EQ(out.data[0], static_cast<int16_t>(next));
        ASSERT_EQ(out.data[959], static_cast<int16_t>(next));
        ++next;
    }
    producer.join();
    EXPECT_TRUE(q.isEmpty());
}

TEST(Mutex, TwoThreadsCountingUnderOneMutexLoseNoIncrement) {
    Mutex mutex("Counter");
    EXPECT_STREQ(mutex.label(), "Counter");
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < 10000; ++i) {
            mutex.lock();
            ++counter;
            mutex.unlock();
        }
    };
    std::thread a(work);
    std::thread b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 20000);
}

}  // namespace
}  // namespace kavri
