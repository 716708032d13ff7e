// common/TextSearch.h: case-insensitive search in 8-bit text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// A length of all ones: measure the text up to its terminator.
constexpr uint32_t kMeasureLength = 0xFFFFFFFFu;

// The upper case of every byte as toupper gives it in the "C" locale, which the plug-in
// never leaves: only a-z change. Every comparison "without regard to case" folds through
// this one table, so that the search primitives and the compiled word lists agree.
constexpr std::array<unsigned char, 256> MakeFoldUpperTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
    return table;
}
inline constexpr std::array<unsigned char, 256> kFoldUpper = MakeFoldUpperTable();

inline unsigned char FoldUpper(char c) {
    return kFoldUpper[static_cast<unsigned char>(c)];
}

// The leftmost place where `pattern` occurs in `text`, comparing characters after
// folding to upper case; null when it does not occur, when the pattern is empty or
// missing, or when it is longer than the text.
const char* FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                       uint32_t patternLength);

// Whether two texts are equal when their letters are compared after folding.
bool SameTextNoCase(const char* left, const char* right);

// Whether `text` begins with `prefix`, letters compared after folding; a text that ends
// before the prefix does not.
bool StartsWithNoCase(const char* text, const char* prefix);

// The same for the `length` bytes at `text`, which need not end in a terminator (a line
// inside a whole message).
bool StartsWithNoCase(const char* text, size_t length, const char* prefix);

// Whether the `length` bytes at `left` and `right` are equal after folding.
bool EqualNoCase(const char* left, const char* right, size_t length);
