// filters/TokenTableSplitter.cpp: the delimiter masks of the token splitter, with
// SSE2 compares where every x86-64 processor has them and a table lookup per byte
// anywhere else.
#include "filters/TokenTableSplitter.h"

#include <algorithm>
#include <cstring>
#include <iterator>

void TokenSplitter::Use(const char* delimiters) {
    std::fill(std::begin(isDelimiter_), std::end(isDelimiter_), uint8_t{0});
    int distinct = 0;
    for (const char* d = delimiters; d != nullptr && *d != '\0'; ++d) {
        uint8_t& known = isDelimiter_[static_cast<unsigned char>(*d)];
        if (known != 0) continue;
        known = 1;
#ifdef MTAFILTER_SPLIT_SSE2
        if (distinct < kMaxVectorDelimiters) vectors_[distinct] = _mm_set1_epi8(*d);
#endif
        ++distinct;
    }
#ifdef MTAFILTER_SPLIT_SSE2
    vectorCount_ = distinct <= kMaxVectorDelimiters ? distinct : -1;
#endif
}

uint64_t TokenSplitter::Mask(const char* block) const {
#ifdef MTAFILTER_SPLIT_SSE2
    if (vectorCount_ >= 0) {
        // Written out by hand: the compiler keeps four named vectors in registers, where
        // arrays of them went through memory.
        const auto* at = reinterpret_cast<const __m128i*>(block);
        const __m128i bytes0 = _mm_loadu_si128(at);
        const __m128i bytes1 = _mm_loadu_si128(at + 1);
        const __m128i bytes2 = _mm_loadu_si128(at + 2);
        const __m128i bytes3 = _mm_loadu_si128(at + 3);
        __m128i hits0 = _mm_setzero_si128();
        __m128i hits1 = hits0;
        __m128i hits2 = hits0;
        __m128i hits3 = hits0;
        for (int d = 0; d < vectorCount_; ++d) {
            const __m128i delimiter = vectors_[d];
            hits0 = _mm_or_si128(hits0, _mm_cmpeq_epi8(bytes0, delimiter));
            hits1 = _mm_or_si128(hits1, _mm_cmpeq_epi8(bytes1, delimiter));
            hits2 = _mm_or_si128(hits2, _mm_cmpeq_epi8(bytes2, delimiter));
            hits3 = _mm_or_si128(hits3, _mm_cmpeq_epi8(bytes3, delimiter));
        }
        return uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hits0))} |
               uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hits1))} << 16 |
               uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hits2))} << 32 |
               uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hits3))} << 48;
    }
#endif
    uint64_t mask = 0;
    for (size_t b = 0; b < kBlock; ++b)
        mask |= uint64_t{isDelimiter_[static_cast<unsigned char>(block[b])]} << b;
    return mask;
}

uint64_t TokenSplitter::TailMask(const char* text, size_t length, size_t base) const {
    const size_t count = length - base;
    if (count == 0) return ~uint64_t{0};
    const uint64_t past = ~uint64_t{0} << count;
    if (length + 1 >= kBlock)  // the last 64 bytes, terminator included, overlap the block before
        return Mask(text + length + 1 - kBlock) >> (kBlock - 1 - count) | past;
    char copy[kBlock] = {};  // NUL is never a delimiter
    std::memcpy(copy, text + base, count);
    return Mask(copy) | past;
}
