// tests/common/TextSearchTest.cpp: case-insensitive search, bounded and measured.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/TextSearch.h"

namespace {

constexpr int kNotFound = -1;

int Offset(const char* text, const char* found) {
    return found == nullptr ? kNotFound : static_cast<int>(found - text);
}

TEST(FindNoCase, FindsLeftmostMatchIgnoringCase) {
    struct Case {
        const char* name;
        const char* text;
        uint32_t textLength;
        const char* pattern;
        uint32_t patternLength;
        int offset;
    };
    const Case cases[] = {
        {"lower in mixed", "Hello World", kMeasureLength, "world", kMeasureLength, 6},
        {"upper in lower", "subject: spam", kMeasureLength, "SPAM", kMeasureLength, 9},
        {"leftmost", "abcABCabc", kMeasureLength, "cab", kMeasureLength, 2},
        {"whole text", "abc", kMeasureLength, "ABC", kMeasureLength, 0},
        {"false start then match", "aab", kMeasureLength, "ab", kMeasureLength, 1},
        {"absent", "abc", kMeasureLength, "abd", kMeasureLength, kNotFound},
        {"empty pattern", "abc", kMeasureLength, "", kMeasureLength, kNotFound},
        {"zero pattern length", "abc", kMeasureLength, "a", 0, kNotFound},
        {"pattern longer than text", "ab", kMeasureLength, "abc", kMeasureLength, kNotFound},
        {"empty text", "", kMeasureLength, "a", kMeasureLength, kNotFound},
        {"match ends at bound", "abcdef", 3, "bc", kMeasureLength, 1},
        {"match crosses bound", "abcdef", 3, "cd", kMeasureLength, kNotFound},
        {"bound shorter than pattern", "abcdef", 1, "ab", kMeasureLength, kNotFound},
        {"bounded pattern", "xyzzy", kMeasureLength, "zzTOP", 2, 2},
        {"bound past terminator", "a\0b", 3, "B", kMeasureLength, 2},
        {"high-bit byte", "caf\xE9!", kMeasureLength, "\xE9!", kMeasureLength, 3},
        {"high-bit bytes before match",
         "\xFF\x80"
         "abc",
         kMeasureLength, "ABC", kMeasureLength, 2},
        {"high-bit not a letter for A", "\xE1", kMeasureLength, "A", kMeasureLength, kNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Offset(c.text, FindNoCase(c.text, c.textLength, c.pattern, c.patternLength)),
                  c.offset);
    }
}

TEST(FindNoCase, LongTextsMatchTheSameWay) {
    // Long texts are searched through a table of upper-case bytes rather than per byte.
    const std::string filler(1000, 'x');
    struct Case {
        const char* name;
        std::string text;
        uint32_t textLength;
        const char* pattern;
        int offset;
    };
    const Case cases[] = {
        {"match at the end", filler + "Spam", kMeasureLength, "sPAM", 1000},
        {"match at the start", "SPAM" + filler, kMeasureLength, "spam", 0},
        {"high-bit bytes", filler + "\xE9t\xE9", kMeasureLength, "\xE9T\xE9", 1000},
        {"absent", filler + "spa", kMeasureLength, "spam", kNotFound},
        {"match crosses bound", filler + "spam", 1003, "spam", kNotFound},
        {"match ends at bound", filler + "spam", 1004, "spam", 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const char* text = c.text.c_str();
        EXPECT_EQ(Offset(text, FindNoCase(text, c.textLength, c.pattern, kMeasureLength)),
                  c.offset);
    }
}

TEST(FindNoCase, MissingArgumentsNeverMatch) {
    EXPECT_EQ(FindNoCase(nullptr, kMeasureLength, "a", kMeasureLength), nullptr);
    EXPECT_EQ(FindNoCase("a", kMeasureLength, nullptr, kMeasureLength), nullptr);
}

TEST(FindNoCase, ReadsNothingPastTheBound) {
    // Heap slices with no terminator: the sanitizer reports any read beyond them. Both a
    // short and a long slice, since long texts take the table path.
    for (const size_t size : {size_t{4}, size_t{300}}) {
        SCOPED_TRACE(size);
        std::unique_ptr<char[]> slice(new char[size]);
        std::memset(slice.get(), '-', size);
        std::memcpy(slice.get() + size - 4, "maiL", 4);
        const uint32_t length = static_cast<uint32_t>(size);
        EXPECT_EQ(FindNoCase(slice.get(), length, "AIL", 3), slice.get() + size - 3);
        EXPECT_EQ(FindNoCase(slice.get(), length, "ILX", 3), nullptr);
        EXPECT_EQ(FindNoCase(slice.get(), length, "L", 1), slice.get() + size - 1);
    }
}

TEST(SameTextNoCase, WholeTextsMustAgree) {
    EXPECT_TRUE(SameTextNoCase("smtp", "SMTP"));
    EXPECT_TRUE(SameTextNoCase("", ""));
    EXPECT_FALSE(SameTextNoCase("SMTP", "SMTPS"));  // a prefix is not enough
    EXPECT_FALSE(SameTextNoCase("SMTPS", "SMTP"));
    EXPECT_FALSE(SameTextNoCase(nullptr, "SMTP"));
}

TEST(StartsWithNoCase, TheWholePrefixMustFitInTheText) {
    EXPECT_TRUE(StartsWithNoCase("subject: Hi", "SUBJECT:"));
    EXPECT_TRUE(StartsWithNoCase("anything", ""));
    EXPECT_FALSE(StartsWithNoCase("Subj", "SUBJECT:"));  // the text ends first
    EXPECT_FALSE(StartsWithNoCase("Subject; Hi", "SUBJECT:"));
    // A slice without a terminator is read no further than its length.
    std::unique_ptr<char[]> slice(new char[4]);
    std::memcpy(slice.get(), "From", 4);
    EXPECT_TRUE(StartsWithNoCase(slice.get(), 4, "FROM"));
    EXPECT_FALSE(StartsWithNoCase(slice.get(), 4, "FROM:"));
    EXPECT_FALSE(StartsWithNoCase(slice.get(), 3, "FROM"));
}

}  // namespace
