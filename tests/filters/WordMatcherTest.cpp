// tests/filters/WordMatcherTest.cpp: word boundaries, wildcards and the case rule of the
// matcher behind every text criterion. Both paths of the compiled lists' differential test
// decide with this matcher, so only these cases pin what it decides.
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
        {"word after a delimiter", "it's free", "free", 0, 1},
        {"exclamation mark is no delimiter", "free!", "free", 0, 0},
        {"first occurrence decides", "carefree free", "free", 0, 0},
        {"word, other case, flag 1", "free", "FREE", 1, 0},
        {"word, other case, flag 0", "free", "FREE", 0, 1},
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
