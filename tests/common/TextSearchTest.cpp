// tests/common/TextSearchTest.cpp: case-insensitive search, bounded and measured.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "common/TextSearch.h"

namespace {

constexpr int kNotFound = -1;

int Offset(const char* text, const char* found) {
    return found == nullptr ? kNotFound : static_cast<int>(found - text);
}

// Short texts are searched byte by byte, long ones through a table of upper-case bytes;
// both must agree on case, high-bit bytes and the bound.
TEST(FindNoCase, FindsLeftmostMatchWithinTheBoundOnBothPaths) {
    for (const std::string& filler : {std::string(), std::string(1000, 'x')}) {
        SCOPED_TRACE(filler.size());
        const int at = static_cast<int>(filler.size());
        const std::string spam = filler + "aabcABC";
        const char* text = spam.c_str();
        EXPECT_EQ(Offset(text, FindNoCase(text, kMeasureLength, "ABc", kMeasureLength)), at + 1);
        EXPECT_EQ(Offset(text, FindNoCase(text, at + 3, "ab", kMeasureLength)), at + 1);
        EXPECT_EQ(Offset(text, FindNoCase(text, at + 3, "abc", kMeasureLength)), kNotFound);
        const std::string high = filler + "caf\xE9!";
        EXPECT_EQ(Offset(high.c_str(), FindNoCase(high.c_str(), kMeasureLength, "\xE9!", 2)),
                  at + 3);
        EXPECT_EQ(FindNoCase(high.c_str(), kMeasureLength, "\xC9", 1), nullptr);
    }
    EXPECT_EQ(FindNoCase("abc", kMeasureLength, "", kMeasureLength), nullptr);
    EXPECT_EQ(Offset("xyzzy", FindNoCase("xyzzy", kMeasureLength, "zzTOP", 2)), 2);
    EXPECT_EQ(Offset("a\0b", FindNoCase("a\0b", 3, "B", kMeasureLength)), 2);
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

// The first byte is looked for 16 bytes at a time: hits before, inside and past the
// bound, at every offset from a chunk's start, as a plain byte-by-byte search finds them.
TEST(FindNoCase, AgreesWithAPlainSearchAtEveryLengthAndBound) {
    std::mt19937 generator(14);
    const std::string bytes = "aAb\xe1";
    auto naive = [](const std::string& text, const std::string& pattern) -> int {
        for (size_t at = 0; at + pattern.size() <= text.size(); ++at)
            if (EqualNoCase(text.data() + at, pattern.data(), pattern.size()))
                return static_cast<int>(at);
        return kNotFound;
    };
    for (int n = 0; n < 20000; ++n) {
        const uint32_t sparseness = 1 + generator() % 24;
        std::string text(generator() % 70, '-');
        for (char& c : text)
            if (generator() % sparseness == 0) c = bytes[generator() % bytes.size()];
        std::string pattern(1 + generator() % 3, 'a');
        for (char& c : pattern) c = bytes[generator() % bytes.size()];
        // A heap copy without a terminator, so that the sanitizer sees any read past it.
        std::unique_ptr<char[]> slice(new char[text.size()]);
        std::memcpy(slice.get(), text.data(), text.size());
        // A bound inside the text as well: what lies past it must not be found.
        const auto bound = static_cast<uint32_t>(generator() % (text.size() + 1));
        ASSERT_EQ(Offset(slice.get(), FindNoCase(slice.get(), bound, pattern.data(),
                                                 static_cast<uint32_t>(pattern.size()))),
                  naive(text.substr(0, bound), pattern))
            << "[" << text << "] " << bound << " [" << pattern << "]";
    }
    // The last 16 bytes before the bound hold the first byte, the rest lies past it.
    EXPECT_EQ(FindNoCase("---------------ab", 16, "AB", 2), nullptr);
}

// A prefix is not the whole text, nor does a prefix longer than the text (or than a
// slice without a terminator) start it.
TEST(SameTextNoCase, WholeTextsAndPrefixesMustFit) {
    EXPECT_TRUE(SameTextNoCase("smtp", "SMTP"));
    EXPECT_FALSE(SameTextNoCase("SMTP", "SMTPS"));
    EXPECT_FALSE(SameTextNoCase("SMTPS", "SMTP"));
    EXPECT_TRUE(StartsWithNoCase("subject: Hi", "SUBJECT:"));
    EXPECT_FALSE(StartsWithNoCase("Subj", "SUBJECT:"));
    std::unique_ptr<char[]> slice(new char[4]);
    std::memcpy(slice.get(), "From", 4);
    EXPECT_TRUE(StartsWithNoCase(slice.get(), 4, "FROM"));
    EXPECT_FALSE(StartsWithNoCase(slice.get(), 4, "FROM:"));
}

}  // namespace
