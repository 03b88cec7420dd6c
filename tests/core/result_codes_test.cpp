#include <gtest/gtest.h>

#include <string>

#include "core/result_codes.h"

namespace kavri {
namespace {

std::wstring text(int code) {
    return resultMessage(code);
}

TEST(ResultMessage, FixedTextsForEveryCodeThatHasOne) {
    EXPECT_EQ(text(-1), L"Cannot load Kavri device. Force to play in speaker.");
    EXPECT_EQ(text(-2), L"Not enough memory to run this program.");
    EXPECT_EQ(text(-5), L"Fail to connect to server.");
    EXPECT_EQ(text(-6),
              L"Fail to communicate with Kavri on Android phone. Check if it has been started.");
    EXPECT_EQ(text(-7), L"Client and server mismatch. Please install latest server and client.");
    EXPECT_EQ(text(-8), L"Cannot start mic on Android phone.");
    EXPECT_EQ(text(-9),
              L"It looks there is something wrong with your Kavri device driver. Please "
              L"re-install it.");
    EXPECT_EQ(text(-11), L"Failed to start WSA 2.2");
    EXPECT_EQ(text(-12), L"Fail to connect to server for media stream.");
    EXPECT_EQ(text(-13),
              L"Driver is too old. Please install the latest driver. Force to play in speaker.");
}

TEST(ResultMessage, UsbTextKeepsItsLayoutAndNamesTheFaqPage) {
    const std::wstring expected = std::wstring(
                                      L"No device is detected on USB ports. Please check: \n\n"
                                      L"\t1. USB driver has been installed correctly. \n"
                                      L"\t2. Phone has been connected to PC by USB cable. \n"
                                      L"\t3. USB debugging has been enabled on phone\n\n"
                                      L"Please refer to ") +
                                  FAQ_ADDRESS + L" for details.";
    EXPECT_EQ(text(-10), expected);
    EXPECT_EQ(std::wstring(FAQ_ADDRESS).rfind(L"https://", 0), 0u);
    // The same text, not rebuilt, on every call.
    EXPECT_EQ(resultMessage(-10), resultMessage(-10));
}

TEST(ResultMessage, EveryOtherCodeGetsTheNumberedFallback) {
    EXPECT_EQ(text(-3), L"Error: -3");
    EXPECT_EQ(text(-4), L"Error: -4");
    EXPECT_EQ(text(-14), L"Error: -14");
    EXPECT_EQ(text(-19), L"Error: -19");
    EXPECT_EQ(text(-22), L"Error: -22");
    EXPECT_EQ(text(1), L"Error: 1");
    EXPECT_EQ(text(0), L"Error: 0");
    EXPECT_EQ(text(-2147483647 - 1), L"Error: -2147483648");
    EXPECT_EQ(text(2147483647), L"Error: 2147483647");
    // The fallback lives in one buffer that the next call overwrites.
    const wchar_t* first = resultMessage(-3);
    resultMessage(-4);
    EXPECT_EQ(std::wstring(first), L"Error: -4");
}

TEST(NoAudioMessage, WifiAddsTheFirewallLineWithTheMediaPort) {
    const std::wstring base =
        L"No audio data has been received. Please check below items:\n"
        L" - App on phone has been granted microphone access permission.";
    EXPECT_EQ(std::wstring(noAudioMessage(false, 49152)), base);
    EXPECT_EQ(std::wstring(noAudioMessage(true, 49152)),
              base + L"\n - Your computer firewall should not block UDP port 49152.");
    EXPECT_EQ(std::wstring(noAudioMessage(true, 0)),
              base + L"\n - Your computer firewall should not block UDP port 0.");
    EXPECT_EQ(std::wstring(connectionLostQuestion()),
              L"Connection aborted. Do you want to connect again?");
}

}  // namespace
}  // namespace kavri
