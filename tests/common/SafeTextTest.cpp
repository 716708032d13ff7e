// tests/common/SafeTextTest.cpp: bounded copy, append and all-or-nothing replacement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "common/SafeText.h"

namespace {

constexpr size_t kBuffer = 32;

// A buffer filled with canary bytes, so that writes past a capacity can be seen.
struct Canaried {
    char bytes[kBuffer];
    explicit Canaried(const char* text) {
        std::memset(bytes, '#', sizeof bytes);
        std::strcpy(bytes, text);
    }
    bool CanariesFrom(size_t from) const {
        for (size_t i = from; i < kBuffer; ++i) {
            if (bytes[i] != '#') return false;
        }
        return true;
    }
};

struct BoundedCase {
    const char* name;
    const char* initial;
    const char* source;
    size_t capacity;
    bool fits;
    const char* result;
};

TEST(SafeCopy, CopiesWhatFitsAndReportsTruncation) {
    const BoundedCase cases[] = {
        {"fits", "old", "abc", 8, true, "abc"},
        {"one less than capacity", "old", "abc", 4, true, "abc"},
        {"as long as capacity", "old", "abcd", 4, false, "abc"},
        {"much longer", "old", "abcdefghij", 4, false, "abc"},
        {"capacity 1", "old", "a", 1, false, ""},
        {"empty source", "old", "", 1, true, ""},
        {"null source", "old", nullptr, 4, true, ""},
    };
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.name);
        Canaried buffer(c.initial);
        char* result = SafeCopy(buffer.bytes, c.source, c.capacity);
        EXPECT_EQ(result, c.fits ? buffer.bytes : nullptr);
        EXPECT_STREQ(buffer.bytes, c.result);
        EXPECT_TRUE(buffer.CanariesFrom(std::max(c.capacity, std::strlen(c.initial) + 1)));
    }
}

TEST(SafeAppend, AppendsWhatFitsAndTerminatesAtTheLastByte) {
    const BoundedCase cases[] = {
        {"fits", "ab", "cd", 8, true, "abcd"},
        {"one less than capacity", "ab", "cd", 5, true, "abcd"},
        {"as long as capacity", "ab", "cde", 5, false, "abcd"},
        {"nothing left", "abcd", "e", 5, false, "abcd"},
        {"empty source", "abcd", "", 5, true, "abcd"},
        {"onto empty", "", "abc", 3, false, "ab"},
    };
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.name);
        Canaried buffer(c.initial);
        char* result = SafeAppend(buffer.bytes, c.source, c.capacity);
        EXPECT_EQ(result, c.fits ? buffer.bytes + std::strlen(c.initial) : nullptr);
        EXPECT_STREQ(buffer.bytes, c.result);
        EXPECT_TRUE(buffer.CanariesFrom(c.capacity));
    }
}

TEST(SafeAppend, UnterminatedDestinationIsCutAtTheLastByte) {
    char buffer[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(SafeAppend(buffer, "x"), nullptr);
    EXPECT_STREQ(buffer, "abc");
}

TEST(SafeText, ZeroCapacityWritesNothing) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(SafeCopy(buffer, "a", 0), nullptr);
    EXPECT_EQ(SafeAppend(buffer, "a", 0), nullptr);
    EXPECT_EQ(std::string(buffer, 4), "####");
}

TEST(FormatBounded, ReportsWhetherTheWholeTextFit) {
    Canaried exact("");
    EXPECT_EQ(1, FormatBounded(exact.bytes, 6, "%s\\%d", "ab", 12));
    EXPECT_STREQ(exact.bytes, "ab\\12");
    EXPECT_TRUE(exact.CanariesFrom(6));
    // One byte short: the text is cut but terminated, and the caller is told.
    Canaried cut("");
    EXPECT_EQ(0, FormatBounded(cut.bytes, 5, "%s\\%d", "ab", 12));
    EXPECT_STREQ(cut.bytes, "ab\\1");
    EXPECT_TRUE(cut.CanariesFrom(5));
    char untouched[2] = {'#', '#'};
    EXPECT_EQ(0, FormatBounded(untouched, 0, "%s", "a"));
    EXPECT_EQ(std::string(untouched, 2), "##");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnce) {
    struct Case {
        const char* name;
        const char* text;
        const char* pattern;
        const char* replacement;
        const char* result;
    };
    const Case cases[] = {
        {"same length", "a-b-c", "-", "+", "a+b+c"},
        {"shrinking", "aXXbXXc", "XX", "", "abc"},
        {"growing", "a-b", "-", "---", "a---b"},
        {"growing at both ends", "-x-", "-", "<->", "<->x<->"},
        {"whole text", "abc", "abc", "z", "z"},
        {"replacement holds pattern", "aa", "a", "aa", "aaaa"},
        {"scan resumes after match", "aaa", "aa", "b", "ba"},
        {"case-sensitive", "aA", "a", "x", "xA"},
        {"no match", "abc", "d", "x", "abc"},
        {"null replacement removes", "a.b.", ".", nullptr, "ab"},
        {"null pattern", "abc", nullptr, "x", "abc"},
        {"empty pattern", "abc", "", "x", "abc"},
        {"empty text", "", "a", "x", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canaried buffer(c.text);
        EXPECT_EQ(ReplaceAll(buffer.bytes, c.pattern, c.replacement, 16), 1);
        EXPECT_STREQ(buffer.bytes, c.result);
        EXPECT_TRUE(buffer.CanariesFrom(16));
    }
}

TEST(ReplaceAll, ResultReachingCapacityLeavesTextExactlyAsItWas) {
    struct Case {
        const char* name;
        const char* text;
        int capacity;
        int result;
        const char* after;
    };
    const Case cases[] = {
        {"result one less than capacity", "abc", 5, 1, "abbc"},
        {"result as long as capacity", "abc", 4, 0, "abc"},
        {"result much longer", "bbbbbb", 8, 0, "bbbbbb"},
        {"input already reaches capacity", "abc", 3, 0, "abc"},
        {"negative capacity", "abc", -1, 0, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canaried buffer(c.text);
        const Canaried before = buffer;
        EXPECT_EQ(ReplaceAll(buffer.bytes, "b", "bb", c.capacity), c.result);
        EXPECT_STREQ(buffer.bytes, c.after);
        if (c.result == 0) {
            EXPECT_EQ(std::memcmp(buffer.bytes, before.bytes, kBuffer), 0);
        }
    }
}

// The in-place rewrite moves text around; compare it with a plain string rebuild.
std::string Reference(const std::string& text, const std::string& pattern,
                      const std::string& replacement) {
    std::string out;
    size_t at = 0;
    for (size_t hit; (hit = text.find(pattern, at)) != std::string::npos;
         at = hit + pattern.size()) {
        out += text.substr(at, hit - at) + replacement;
    }
    return out + text.substr(at);
}

TEST(ReplaceAll, AgreesWithStringRebuildOnRandomTexts) {
    std::mt19937 random(20240611);
    auto make = [&random](size_t minLength, size_t maxLength) {
        std::string s(std::uniform_int_distribution<size_t>(minLength, maxLength)(random), 'a');
        for (char& ch : s) ch = "ab"[random() % 2];
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::string text = make(0, 12), pattern = make(1, 3), replacement = make(0, 5);
        const std::string expected = Reference(text, pattern, replacement);
        const int capacity = static_cast<int>(random() % (kBuffer + 1));
        Canaried buffer(text.c_str());
        const int result = ReplaceAll(buffer.bytes, pattern.c_str(), replacement.c_str(), capacity);
        SCOPED_TRACE(text + " / " + pattern + " / " + replacement);
        const bool fits = expected.size() < static_cast<size_t>(capacity) &&
                          text.size() < static_cast<size_t>(capacity);
        ASSERT_EQ(result, fits ? 1 : 0);
        ASSERT_EQ(std::string(buffer.bytes), fits ? expected : text);
    }
}

}  // namespace
