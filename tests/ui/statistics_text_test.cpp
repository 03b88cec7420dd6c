#include "ui/statistics_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kavri {
namespace {

TEST(StatisticsText, ZerosBeforeAnyConnection) {
    StatisticsValues v;
    v.transportType = 2;
    v.controlPort = 8125;
    v.mediaPort = 49152;
    v.timeMin = 1;
    wchar_t text[kStatisticsTextCapacity];
    const size_t length = formatStatisticsText(v, text, kStatisticsTextCapacity);
    const std::wstring expected =
        L"Start time: 0\nEnd time: 0\nRx: 0\nMax delta : 0\nDropped: 0\nMissed: 0\n\n"
        L"Transport type: 2\nControl port: 8125\nMedia port: 49152\n\n"
        L"Driver state: 0\n\nTime min: 1\n\n";
    EXPECT_EQ(std::wstring(text), expected);
    EXPECT_EQ(length, expected.size());
}

TEST(StatisticsText, DroppedComesBeforeMissedAndSignsAreKept) {
    StatisticsValues v{86399999, -1, 2147483647, 40, 3, 7, 9, -8125, 0, 1, 16};
    wchar_t text[kStatisticsTextCapacity];
    formatStatisticsText(v, text, kStatisticsTextCapacity);
    EXPECT_EQ(std::wstring(text),
              L"Start time: 86399999\nEnd time: -1\nRx: 2147483647\nMax delta : 40\nDropped: 3\n"
              L"Missed: 7\n\nTransport type: 9\nControl port: -8125\nMedia port: 0\n\n"
              L"Driver state: 1\n\nTime min: 16\n\n");
}

TEST(StatisticsText, SmallBufferKeepsWholeLinesOnly) {
    StatisticsValues v;
    wchar_t text[30];
    const size_t length = formatStatisticsText(v, text, 30);
    EXPECT_EQ(std::wstring(text), L"Start time: 0\nEnd time: 0\n");
    EXPECT_EQ(length, 26u);

    wchar_t one[1] = {L'x'};
    EXPECT_EQ(formatStatisticsText(v, one, 1), 0u);
    EXPECT_EQ(one[0], L'\0');
}

}  // namespace
}  // namespace kavri
