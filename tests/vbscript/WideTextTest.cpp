// tests/vbscript/WideTextTest.cpp: the 16-bit character view of the engine's UTF-8 strings
// where a script cannot reach it: stray bytes, surrogate halves, and the case pairs of each
// script the folding covers.
#include <gtest/gtest.h>

#include "vbscript/WideText.h"

namespace {

using namespace vbscript;

TEST(WideText, StrayBytesReadAsLatin1AndLeaveAsUtf8) {
    const std::string latin =
        "\xC4"
        "b";
    EXPECT_EQ(u"\u00C4b", ToUnits(latin));
    EXPECT_EQ(u"\u00C4", ToUnits("\xC3\x84"));
    EXPECT_EQ(
        "\xC3\x84"
        "b",
        FromUnits(ToUnits(latin)));
    // A truncated sequence and an overlong one: each byte is a character of its own.
    EXPECT_EQ(2u, UnitCount("\xE0\x80"));
    EXPECT_EQ(2u, UnitCount("\xC0\xAF"));
}

TEST(WideText, CharactersBeyondTheBmpAreSurrogatePairs) {
    const std::string smile = "\xF0\x9F\x98\x80";
    EXPECT_EQ(std::u16string({0xD83D, 0xDE00}), ToUnits(smile));
    EXPECT_EQ(2u, UnitCount(smile));
    EXPECT_EQ(smile, FromUnits(ToUnits(smile)));
    // A half cut off by Left or Mid keeps its own three bytes and still counts one.
    const std::string high = FromUnits(std::u16string(1, 0xD83D));
    EXPECT_EQ(3u, high.size());
    EXPECT_EQ(1u, UnitCount(high));
    EXPECT_EQ(std::u16string(1, 0xD83D), ToUnits(high));
    // From a 32-bit OLECHAR or a pair of 16-bit ones, the same bytes, so texts compare equal.
    const wchar_t wide[] = {0x1F600, 0xD83D, 0xDE00};
    EXPECT_EQ(smile + smile, FromWide(wide, 3));
    // ASCII text before such a character does not change how the rest converts.
    const wchar_t mixed[] = {L'a', 0xC4, 0x1F600};
    EXPECT_EQ("a\xC3\x84" + smile, FromWide(mixed, 3));
    EXPECT_EQ(std::wstring(wide + 1, 2), ToWide(smile));
}

TEST(WideText, CaseFoldsLetterPairsOfEachScript) {
    const std::pair<char16_t, char16_t> pairs[] = {
        {u'A', u'a'},     {0xC4, 0xE4},     {0x0178, 0xFF},   {0x0100, 0x0101},
        {0x0139, 0x013A}, {0x014A, 0x014B}, {0x0179, 0x017A}, {0x0391, 0x03B1},
        {0x0386, 0x03AC}, {0x0410, 0x0430}, {0x0401, 0x0451}, {0xFF21, 0xFF41}};
    for (const auto& [upper, lower] : pairs) {
        EXPECT_EQ(lower, LowerUnit(upper)) << static_cast<int>(upper);
        EXPECT_EQ(upper, UpperUnit(lower)) << static_cast<int>(lower);
    }
    // Signs, and letters without a one-character partner, stay as they are.
    for (char16_t c : {u'1', u'\u00D7', u'\u00F7', u'\u00DF', u'\u0130', u'\u0131', u'\u0138'}) {
        EXPECT_EQ(c, LowerUnit(c)) << static_cast<int>(c);
        EXPECT_EQ(c, UpperUnit(c)) << static_cast<int>(c);
    }
}

}  // namespace
