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

TEST(SafeText, TextAsLongAsTheCapacityIsCutAndReported) {
    Canaried copy("old");
    EXPECT_EQ(SafeCopy(copy.bytes, "abc", 4), copy.bytes);
    EXPECT_STREQ(copy.bytes, "abc");
    EXPECT_EQ(SafeCopy(copy.bytes, "abcd", 4), nullptr);
    EXPECT_STREQ(copy.bytes, "abc");
    EXPECT_TRUE(copy.CanariesFrom(4));
    EXPECT_EQ(SafeCopy(copy.bytes, nullptr, 4), copy.bytes);  // no text is an empty one
    EXPECT_STREQ(copy.bytes, "");

    Canaried append("ab");
    EXPECT_EQ(SafeAppend(append.bytes, "cde", 5), nullptr);
    EXPECT_STREQ(append.bytes, "abcd");
    EXPECT_TRUE(append.CanariesFrom(5));

    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(SafeAppend(unterminated, "x"), nullptr);
    EXPECT_STREQ(unterminated, "abc");

    char untouched[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(SafeCopy(untouched, "a", 0), nullptr);
    EXPECT_EQ(SafeAppend(untouched, "a", 0), nullptr);
    EXPECT_EQ(std::string(untouched, 4), "####");
}

// Results that do not fit are in the random comparison below; a negative capacity is not.
TEST(ReplaceAll, NegativeCapacityLeavesTextExactlyAsItWasAndNoReplacementRemoves) {
    Canaried buffer("abc");
    const Canaried before = buffer;
    EXPECT_EQ(ReplaceAll(buffer.bytes, "b", "bb", -1), 0);
    EXPECT_EQ(std::memcmp(buffer.bytes, before.bytes, kBuffer), 0);
    Canaried removed("a.b.");
    EXPECT_EQ(ReplaceAll(removed.bytes, ".", nullptr, 16), 1);
    EXPECT_STREQ(removed.bytes, "ab");
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
        ASSERT_TRUE(buffer.CanariesFrom(std::max<size_t>(capacity, text.size() + 1)));
    }
}

}  // namespace
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
