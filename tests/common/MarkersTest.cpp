// tests/common/MarkersTest.cpp: values read from between start and end markers.
#include <gtest/gtest.h>

#include <cstring>

#include "common/Markers.h"

namespace {

constexpr char kUntouched[] = "untouched";
constexpr int kFailed = -1;

struct Case {
    const char* name;
    const char* text;
    const char* start;
    const char* end;
    size_t capacity;
    const char* value;  // what the destination holds afterwards
    int next;           // offset of the returned position, kFailed for null
};

// Runs one extraction into a buffer larger than the capacity given, so that a write past
// the capacity shows up in the canary bytes after it.
template <typename Extract>
void Check(const Case& c, Extract extract) {
    SCOPED_TRACE(c.name);
    char destination[32];
    std::memset(destination, '#', sizeof destination);
    std::strcpy(destination, kUntouched);
    const char* next = extract(c.text, c.start, c.end, destination, c.capacity);
    EXPECT_EQ(next == nullptr ? kFailed : static_cast<int>(next - c.text), c.next);
    EXPECT_STREQ(destination, c.value);
    if (c.capacity < sizeof kUntouched) {
        EXPECT_EQ(destination[sizeof kUntouched], '#');
    }
}

TEST(ExtractBetween, CopiesValueAndReturnsPositionAfterEndMarker) {
    const Case cases[] = {
        {"tagged", "<R>ok</R>rest", "<R>", "</R>", 32, "ok", 9},
        {"empty start marker", "value;rest", "", ";", 32, "value", 6},
        {"null start marker", "value;rest", nullptr, ";", 32, "value", 6},
        {"empty value", "<R></R>", "<R>", "</R>", 32, "", 7},
        {"end searched after start", "</R><R>x</R>", "<R>", "</R>", 32, "x", 12},
        {"first of several", "<R>1</R><R>2</R>", "<R>", "</R>", 32, "1", 8},
        {"one less than capacity", "<R>abc</R>", "<R>", "</R>", 4, "abc", 10},
        {"missing start", "ok</R>", "<R>", "</R>", 32, kUntouched, kFailed},
        {"missing end", "<R>ok", "<R>", "</R>", 32, kUntouched, kFailed},
        {"start is case-sensitive", "<r>ok</R>", "<R>", "</R>", 32, kUntouched, kFailed},
        {"value as long as capacity", "<R>abcd</R>", "<R>", "</R>", 4, kUntouched, kFailed},
    };
    for (const Case& c : cases) Check(c, ExtractBetween);
}

TEST(ExtractBetweenBounded, FindsOnlyValuesOfAtLeastOneCharacter) {
    const Case cases[] = {
        {"tagged", "<R>ok</R>rest", "<R>", "</R>", 32, "ok", 9},
        {"one character", "<R>x</R>", "<R>", "</R>", 32, "x", 8},
        {"empty value takes the next end", "<R></R>x</R>", "<R>", "</R>", 32, "</R>x", 12},
        {"empty value, no later end", "<R></R>", "<R>", "</R>", 32, kUntouched, kFailed},
        {"start marker at the very end", "text<R>", "<R>", "</R>", 32, kUntouched, kFailed},
        {"empty start marker", "a;b", "", ";", 32, "a", 2},
    };
    auto extract = [](const char* text, const char* start, const char* end, char* destination,
                      size_t capacity) {
        return ExtractBetweenBounded(text, start, end, destination, capacity, 1);
    };
    for (const Case& c : cases) Check(c, extract);
}

TEST(ExtractBetweenBounded, LongValueFailsWhenStrictElseIsCut) {
    struct StrictCase {
        Case c;
        int strict;
    };
    const StrictCase cases[] = {
        {{"strict refuses", "<R>abcdef</R>!", "<R>", "</R>", 4, kUntouched, kFailed}, 1},
        {{"lenient cuts", "<R>abcdef</R>!", "<R>", "</R>", 4, "abc", 13}, 0},
        {{"lenient, exactly capacity", "<R>abcd</R>", "<R>", "</R>", 4, "abc", 11}, 0},
        {{"lenient, capacity 1", "<R>abcd</R>", "<R>", "</R>", 1, "", 11}, 0},
        {{"lenient, capacity 0", "<R>abcd</R>", "<R>", "</R>", 0, kUntouched, kFailed}, 0},
        {{"strict, fits", "<R>abc</R>", "<R>", "</R>", 4, "abc", 10}, 1},
    };
    for (const StrictCase& s : cases) {
        auto extract = [&s](const char* text, const char* start, const char* end, char* destination,
                            size_t capacity) {
            return ExtractBetweenBounded(text, start, end, destination, capacity, s.strict);
        };
        Check(s.c, extract);
    }
}

}  // namespace
