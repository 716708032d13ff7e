// tests/filters/WordMatcherTest.cpp: the wildcard rules of the matcher behind every text
// criterion. Word boundaries are pinned by the compiled lists' differential test, the case
// setting by the word lists' test.
#include <gtest/gtest.h>

#include "filters/WordMatcher.h"

namespace {

// What the scanner passes for subject, body and header texts.
constexpr const char* kTextDelimiters = " \r'\"\n";

TEST(WordMatcher, WordsAndWildcardSegmentsFollowTheirOwnRules) {
    const struct {
        const char* name;
        const char* text;
        const char* pattern;
        int caseSensitive;
        int want;
    } kCases[] = {
        {"first occurrence decides", "carefree free", "free", 0, 0},
        {"leading segment must start the text", "please buy now", "buy*", 0, 0},
        {"leading segment, other case, flag 1", "BUY now", "buy*", 1, 0},
        {"flag 2 is not case-sensitive", "BUY now", "buy*", 2, 1},
        {"middle segment ignores the case flag", "VERY CHEAP", "*cheap*", 1, 1},
        // The position moves one character into the found segment, so the next may overlap.
        {"next segment overlaps", "ab", "*ab*b", 0, 1},
        {"last segment needs a boundary", "pillsbury", "*pills", 0, 0},
        {"last segment: first occurrence decides", "pillsx pills", "*pills", 0, 0},
        // "abc" is not found after "x"; the first "A" of the text is tried instead.
        {"retried at the opposite-case letter", "Abc x", "*x*abc", 0, 1},
        {"no opposite-case letter", "abc x", "*x*abc", 0, 0},
        {"double asterisk is a plain substring", "xA**By", "a**b", 1, 1},
        {"double asterisk is no word", "a b", "a**b", 0, 0},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.want, MatchPattern(c.text, c.pattern, kTextDelimiters, c.caseSensitive))
            << c.name;
    EXPECT_EQ(0, MatchPattern("free now", "free", "", 0));  // no delimiters: the whole text
    EXPECT_EQ(0, MatchPattern("free", "", kTextDelimiters, 0));
    EXPECT_EQ(0, MatchPattern("free", nullptr, kTextDelimiters, 0));
    EXPECT_EQ(0, MatchPattern(nullptr, "free", kTextDelimiters, 0));
}

}  // namespace
