#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "core/reception_stats.h"
#include "platform/thread_join.h"
#include "platform/time_of_day.h"

namespace kavri {
namespace {

TEST(TimeOfDay, CountsMillisecondsSinceMidnight) {
    EXPECT_EQ(timeOfDayMs(0, 0, 0, 0), 0);
    EXPECT_EQ(timeOfDayMs(0, 0, 1, 5), 1005);
    EXPECT_EQ(timeOfDayMs(1, 2, 3, 4), 3723004);
    EXPECT_EQ(timeOfDayMs(23, 59, 59, 999), MS_PER_DAY - 1);
}

TEST(TimeOfDay, FollowsTheSystemClockInUtc) {
    using namespace std::chrono;
    const auto sinceEpoch =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const int32_t expected = static_cast<int32_t>(sinceEpoch % MS_PER_DAY);
    const int32_t now = timeOfDayMs();
    ASSERT_GE(now, 0);
    ASSERT_LT(now, MS_PER_DAY);
    int32_t difference = now - expected;
    if (difference < -MS_PER_DAY / 2)
        difference += MS_PER_DAY;  // across midnight
    EXPECT_LE(difference, 1000);
    EXPECT_GE(difference, -1000);
}

TEST(ThreadJoin, JoinsAThreadQuietly) {
    int ran = 0;
    std::thread thread([&ran] { ran = 1; });
    testing::internal::CaptureStderr();
    kv_thread_join(thread);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(thread.joinable());
}

TEST(ThreadJoin, FailedJoinWritesTheSystemErrorCodeAndGoesOn) {
    std::thread none;
    testing::internal::CaptureStderr();
    kv_thread_join(none);
#ifdef _WIN32
    // GetLastError's code for a missing handle, not the threads library's EINVAL.
    const std::string expected = "kv_thread_join failed: 6\n";
#else
    const std::string expected =
        "kv_thread_join failed: " + std::to_string(static_cast<int>(std::errc::invalid_argument)) +
        "\n";
#endif
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
}

TEST(ReceptionStats, ClearZeroesAllSixOfTheOneRecord) {
    ReceptionStats& stats = receptionStats();
    EXPECT_EQ(&stats, &receptionStats());
    stats.startTime = 1;
    stats.endTime = 2;
    stats.rx = 3;
    stats.maxDelta = 4;
    stats.missed = 5;
    stats.dropped = 6;
    stats.clear();
    EXPECT_EQ(stats.startTime.load(), 0);
    EXPECT_EQ(stats.endTime.load(), 0);
    EXPECT_EQ(stats.rx.load(), 0);
    EXPECT_EQ(stats.maxDelta.load(), 0);
    EXPECT_EQ(stats.missed.load(), 0);
    EXPECT_EQ(stats.dropped.load(), 0);
}

}  // namespace
}  // namespace kavri
