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
        {"end searched after start", "</R><R>x</R>", "<R>", "</R>", 32, "x", 12},
        {"one less than capacity", "<R>abc</R>", "<R>", "</R>", 4, "abc", 10},
        {"missing end", "<R>ok", "<R>", "</R>", 32, kUntouched, kFailed},
        {"value as long as capacity", "<R>abcd</R>", "<R>", "</R>", 4, kUntouched, kFailed},
    };
    for (const Case& c : cases) Check(c, ExtractBetween);
}

TEST(ExtractBetweenBounded, EmptyValuesAreSkippedAndLongOnesFailWhenStrictElseAreCut) {
    struct StrictCase {
        Case c;
        int strict;
    };
    const StrictCase cases[] = {
        {{"empty value takes the next end", "<R></R>x</R>", "<R>", "</R>", 32, "</R>x", 12}, 1},
        {{"start marker at the very end", "text<R>", "<R>", "</R>", 32, kUntouched, kFailed}, 1},
        {{"strict refuses", "<R>abcdef</R>!", "<R>", "</R>", 4, kUntouched, kFailed}, 1},
        {{"lenient cuts", "<R>abcdef</R>!", "<R>", "</R>", 4, "abc", 13}, 0},
        {{"lenient, capacity 0", "<R>abcd</R>", "<R>", "</R>", 0, kUntouched, kFailed}, 0},
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
