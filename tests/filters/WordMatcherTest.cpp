// tests/filters/WordMatcherTest.cpp: word boundaries, wildcards and the case rule of the
// matcher behind every text criterion.
#include <gtest/gtest.h>

#include "filters/WordMatcher.h"

namespace {

// What the scanner passes for subject, body and header texts.
constexpr const char* kTextDelimiters = " \r'\"\n";

struct Case {
    const char* name;
    const char* text;
    const char* pattern;
    int caseSensitive;
    int want;
};

template <size_t N>
void RunCases(const Case (&cases)[N], const char* delimiters = kTextDelimiters) {
    for (const Case& c : cases)
        EXPECT_EQ(c.want, MatchPattern(c.text, c.pattern, delimiters, c.caseSensitive)) << c.name;
}

TEST(WordMatcher, WordNeedsBoundariesAtItsFirstOccurrence) {
    const Case kCases[] = {
        {"at the end after a delimiter", "it's free", "free", 0, 1},
        {"exclamation mark is no delimiter", "free!", "free", 0, 0},
        {"first occurrence decides", "carefree free", "free", 0, 0},
        {"quoted word", "say \"free\"", "free", 0, 1},
    };
    RunCases(kCases);
}

TEST(WordMatcher, EmptyDelimiterSetNeedsTheWholeText) {
    const Case kCases[] = {
        {"fills the text", "free", "free", 0, 1},
        {"followed by a blank", "free now", "free", 0, 0},
    };
    RunCases(kCases, "");
}

TEST(WordMatcher, CaseFlagOneAloneComparesExactly) {
    const Case kCases[] = {
        {"flag 1", "free", "FREE", 1, 0},
        {"flag 0", "free", "FREE", 0, 1},
        {"flag 2 is not sensitive", "free", "FREE", 2, 1},
    };
    RunCases(kCases);
}

TEST(WordMatcher, LeadingSegmentMustStartTheText) {
    const Case kCases[] = {
        {"starts the text", "buy now", "buy*", 0, 1},
        {"other case, flag 1", "BUY now", "buy*", 1, 0},
        {"later in the text", "please buy now", "buy*", 0, 0},
    };
    RunCases(kCases);
}

TEST(WordMatcher, MiddleSegmentsIgnoreTheCaseFlag) {
    const Case kCases[] = {
        {"upper case with flag 1", "VERY CHEAP", "*cheap*", 1, 1},
        {"inside a word", "cheapest", "*cheap*", 1, 1},
        // The position moves one character into the found segment, so the next may overlap.
        {"next segment overlaps", "ab", "*ab*b", 0, 1},
    };
    RunCases(kCases);
}

TEST(WordMatcher, LastSegmentNeedsABoundaryAfterItsFirstOccurrence) {
    const Case kCases[] = {
        {"at the end", "buy pills", "*pills", 0, 1},
        {"followed by a letter", "pillsbury", "*pills", 0, 0},
        {"first occurrence decides", "pillsx pills", "*pills", 0, 0},
        {"upper case with flag 1", "PILLS", "*pills", 1, 0},
    };
    RunCases(kCases);
}

TEST(WordMatcher, MissingSegmentIsRetriedAtTheOppositeCaseLetter) {
    const Case kCases[] = {
        // "abc" is not found after "x"; the first "A" of the text is tried instead.
        {"last segment, upper-case letter before", "Abc x", "*x*abc", 0, 1},
        {"last segment, no opposite-case letter", "abc x", "*x*abc", 0, 0},
        {"not a letter", "1 x", "*x*1", 0, 0},
        {"exact compare fails there", "Abc x", "*x*abc", 1, 0},
    };
    RunCases(kCases);
}

TEST(WordMatcher, DoubleAsteriskIsAPlainSubstring) {
    const Case kCases[] = {
        {"contained", "xA**By", "a**b", 1, 1},
        {"as a word", "a b", "a**b", 0, 0},
    };
    RunCases(kCases);
}

TEST(WordMatcher, EmptyOrMissingPatternNeverMatches) {
    EXPECT_EQ(0, MatchPattern("free", "", kTextDelimiters, 0));
    EXPECT_EQ(0, MatchPattern("free", nullptr, kTextDelimiters, 0));
    EXPECT_EQ(0, MatchPattern(nullptr, "free", kTextDelimiters, 0));
}

}  // namespace
