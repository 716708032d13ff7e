// common/TextSearch.h: case-insensitive search in 8-bit text.
#pragma once

#include <cstddef>
#include <cstdint>

// A length of all ones: measure the text up to its terminator.
constexpr uint32_t kMeasureLength = 0xFFFFFFFFu;

// The leftmost place where `pattern` occurs in `text`, comparing characters after
// toupper; null when it does not occur, when the pattern is empty or missing, or when
// it is longer than the text.
const char* FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                       uint32_t patternLength);

// Whether two texts are equal when their letters are compared after toupper.
bool SameTextNoCase(const char* left, const char* right);

// Whether `text` begins with `prefix`, letters compared after toupper; a text that ends
// before the prefix does not.
bool StartsWithNoCase(const char* text, const char* prefix);

// The same for the `length` bytes at `text`, which need not end in a terminator (a line
// inside a whole message).
bool StartsWithNoCase(const char* text, size_t length, const char* prefix);
