// common/TextSearch.cpp: case-insensitive search in 8-bit text, used while scanning messages.
#include "common/TextSearch.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace {

// Below this length calling toupper per byte is cheaper than filling a table first.
constexpr size_t kTableThreshold = 256;

// toupper is only defined for unsigned char values (and EOF); high-bit bytes must not
// reach it as negative numbers.
int Upper(char c) {
    return std::toupper(static_cast<unsigned char>(c));
}

// toupper for every byte, taken fresh on each search so that it follows the locale.
struct UpperTable {
    unsigned char upper[256];
    UpperTable() {
        for (int i = 0; i < 256; ++i) upper[i] = static_cast<unsigned char>(std::toupper(i));
    }
    int operator()(char c) const { return upper[static_cast<unsigned char>(c)]; }
};

size_t Measure(const char* text, uint32_t length) {
    return length == kMeasureLength ? std::strlen(text) : length;
}

template <typename UpperCase>
const char* Search(const char* text, size_t textSize, const char* pattern, size_t patternSize,
                   const UpperCase& upper) {
    const int first = upper(pattern[0]);
    const char* const last = text + (textSize - patternSize);
    for (const char* at = text; at <= last; ++at) {
        if (upper(*at) != first) continue;
        size_t i = 1;
        while (i < patternSize && upper(at[i]) == upper(pattern[i])) ++i;
        if (i == patternSize) return at;
    }
    return nullptr;
}

}  // namespace

const char* FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                       uint32_t patternLength) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    const size_t patternSize = Measure(pattern, patternLength);
    if (patternSize == 0) return nullptr;
    const size_t textSize = Measure(text, textLength);
    if (patternSize > textSize) return nullptr;

    if (textSize < kTableThreshold) {
        return Search(text, textSize, pattern, patternSize, [](char c) { return Upper(c); });
    }
    const UpperTable table;
    return Search(text, textSize, pattern, patternSize, table);
}

bool SameTextNoCase(const char* left, const char* right) {
    if (left == nullptr || right == nullptr) return left == right;
    for (; *left != '\0' && *right != '\0'; ++left, ++right)
        if (Upper(*left) != Upper(*right)) return false;
    return *left == *right;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (Upper(*text) != Upper(*prefix)) return false;  // also where text ends first
    return true;
}

bool StartsWithNoCase(const char* text, size_t length, const char* prefix) {
    for (size_t i = 0; prefix[i] != '\0'; ++i)
        if (i == length || Upper(text[i]) != Upper(prefix[i])) return false;
    return true;
}
