// common/TextSearch.cpp: case-insensitive search in 8-bit text, used while scanning messages.
#include "common/TextSearch.h"

#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MTAFILTER_SEARCH_SSE2 1
#endif

namespace {

constexpr const std::array<unsigned char, 256>& kFold = kFoldUpper;

size_t Measure(const char* text, uint32_t length) {
    return length == kMeasureLength ? std::strlen(text) : length;
}

// The next place at or after `at` (and not after `last`) holding `c` in either case;
// `end` is where the text ends (the pattern's length past `last`).
const char* NextCandidate(const char* at, const char* last, const char* end, unsigned char upper) {
    const size_t span = static_cast<size_t>(last - at) + 1;
    if (upper < 'A' || upper > 'Z') return static_cast<const char*>(std::memchr(at, upper, span));
#ifdef MTAFILTER_SEARCH_SSE2
    // A letter: memchr for both cases would read the text twice; one pass compares each
    // byte with both, 16 at a time while 16 remain, then one by one.
    const __m128i upperCase = _mm_set1_epi8(static_cast<char>(upper));
    const __m128i lowerCase = _mm_set1_epi8(static_cast<char>(upper - 'A' + 'a'));
    for (; end - at >= 16 && at <= last; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, upperCase), _mm_cmpeq_epi8(bytes, lowerCase)));
        if (hits == 0) continue;
        const char* hit = at + std::countr_zero(static_cast<unsigned>(hits));
        return hit <= last ? hit : nullptr;
    }
#else
    (void)end;
#endif
    for (; at <= last; ++at)
        if (kFold[static_cast<unsigned char>(*at)] == upper) return at;
    return nullptr;
}

}  // namespace

bool EqualNoCase(const char* left, const char* right, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (kFold[static_cast<unsigned char>(left[i])] !=
            kFold[static_cast<unsigned char>(right[i])])
            return false;
    return true;
}

const char* FindNoCase(const char* text, uint32_t textLength, const char* pattern,
                       uint32_t patternLength) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    const size_t patternSize = Measure(pattern, patternLength);
    if (patternSize == 0) return nullptr;
    const size_t textSize = Measure(text, textLength);
    if (patternSize > textSize) return nullptr;

    const unsigned char first = kFold[static_cast<unsigned char>(pattern[0])];
    const char* const last = text + (textSize - patternSize);
    for (const char* at = text; at <= last; ++at) {
        at = NextCandidate(at, last, text + textSize, first);
        if (at == nullptr) return nullptr;
        if (EqualNoCase(at + 1, pattern + 1, patternSize - 1)) return at;
    }
    return nullptr;
}

bool SameTextNoCase(const char* left, const char* right) {
    if (left == nullptr || right == nullptr) return left == right;
    for (; *left != '\0' && *right != '\0'; ++left, ++right)
        if (FoldUpper(*left) != FoldUpper(*right)) return false;
    return *left == *right;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (FoldUpper(*text) != FoldUpper(*prefix)) return false;  // also where text ends first
    return true;
}

bool StartsWithNoCase(const char* text, size_t length, const char* prefix) {
    for (size_t i = 0; prefix[i] != '\0'; ++i)
        if (i == length || FoldUpper(text[i]) != FoldUpper(prefix[i])) return false;
    return true;
}
