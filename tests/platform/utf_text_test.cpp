#include <gtest/gtest.h>

#include <string>

#include "platform/utf_text.h"

namespace kavri {
namespace {

// "Kavri é 🎤" as UTF-8 and as UTF-16 (the microphone is a surrogate pair).
const char kUtf8[] = "Kavri \xC3\xA9 \xF0\x9F\x8E\xA4";
const char16_t kUtf16[] = u"Kavri \u00E9 \U0001F3A4";

TEST(UtfText, RoundTripsThroughUtf16) {
    char16_t wide[32] = {};
    bool complete = false;
    const int units =
        utf8ToUtf16(reinterpret_cast<const uint8_t*>(kUtf8), sizeof kUtf8 - 1, wide, 32, &complete);
    EXPECT_TRUE(complete);
    ASSERT_EQ(units, 10);
    EXPECT_EQ(std::u16string(wide, 10), std::u16string(kUtf16));

    char narrow[32] = {};
    const int bytes = utf16ToUtf8(wide, 32, narrow, 32);
    EXPECT_EQ(std::string(narrow, static_cast<size_t>(bytes)), std::string(kUtf8));
}

TEST(UtfText, NeverSplitsACharacterAtTheCapacity) {
    char16_t wide[9] = {};
    bool complete = true;
    // Nine units would cut the surrogate pair in half: it is left out whole.
    EXPECT_EQ(
        utf8ToUtf16(reinterpret_cast<const uint8_t*>(kUtf8), sizeof kUtf8 - 1, wide, 9, &complete),
        8);
    EXPECT_FALSE(complete);

    char narrow[12] = {};
    // Twelve bytes leave room for "Kavri é " but not for the four-byte character.
    EXPECT_EQ(utf16ToUtf8(kUtf16, 32, narrow, 12), 9);
    EXPECT_EQ(utf16ToUtf8(kUtf16, 32, narrow, 7), 6) << "the two-byte é does not fit in one";
}

TEST(UtfText, MalformedInputBecomesReplacementCharacters) {
    // A lone continuation byte, an overlong slash, a truncated sequence.
    const uint8_t bad[] = {'a', 0x80, 0xC0, 0xAF, 'b', 0xE2, 0x82};
    char16_t wide[16] = {};
    const int units = utf8ToUtf16(bad, sizeof bad, wide, 16, nullptr);
    EXPECT_EQ(std::u16string(wide, static_cast<size_t>(units)),
              u"a\uFFFD\uFFFD\uFFFDb\uFFFD\uFFFD");

    const char16_t loneSurrogate[] = {u'x', 0xD800, u'y', 0};
    char narrow[16] = {};
    const int bytes = utf16ToUtf8(loneSurrogate, 16, narrow, 16);
    EXPECT_EQ(std::string(narrow, static_cast<size_t>(bytes)), "x\xEF\xBF\xBDy");
}

TEST(UtfText, WideTextBecomesUtf8) {
    EXPECT_EQ(wideToUtf8(L"Disconencting..."), "Disconencting...");
    EXPECT_EQ(wideToUtf8(L"caf\u00E9 \U0001F3A4"), "caf\xC3\xA9 \xF0\x9F\x8E\xA4");
    EXPECT_EQ(wideToUtf8(nullptr), "");
}

}  // namespace
}  // namespace kavri
