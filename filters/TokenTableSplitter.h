// filters/TokenTableSplitter.h: the tokens of a text for the token table, found from a
// bit per byte that says whether the byte is a delimiter, 64 bytes at a time. A loop
// that branches on every byte mispredicts at the end of nearly every token; counting
// the zeros of a mask costs the same whatever the tokens' lengths.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MTAFILTER_SPLIT_SSE2 1
#endif

class TokenSplitter {
public:
    // Takes the delimiter set of the texts to come (null: none).
    void Use(const char* delimiters);

    bool IsDelimiter(char c) const { return isDelimiter_[static_cast<unsigned char>(c)] != 0; }

    // Calls onToken(start, size) for every run of bytes between delimiters in the
    // `length` bytes at `text`, in order. Reads nothing past the terminator at
    // text[length].
    template <class OnToken>
    void Split(const char* text, size_t length, OnToken&& onToken) const {
        size_t start = 0;
        bool inToken = false;
        // One block more when the length is a multiple of 64: its mask, all delimiters,
        // ends the last token, so that onToken is called from one place (and inlined).
        for (size_t base = 0; base <= length; base += kBlock) {
            const size_t rest = length - base;
            uint64_t delimiters = rest >= kBlock ? Mask(text + base) : TailMask(text, length, base);
            uint64_t tokenBytes = ~delimiters;
            for (;;) {
                if (!inToken) {
                    if (tokenBytes == 0) break;
                    const int first = std::countr_zero(tokenBytes);
                    start = base + static_cast<size_t>(first);
                    inToken = true;
                    delimiters &= ~uint64_t{0} << first;
                }
                if (delimiters == 0) break;  // the token goes on into the next block
                const int end = std::countr_zero(delimiters);
                inToken = false;
                onToken(start, base + static_cast<size_t>(end) - start);
                tokenBytes &= ~uint64_t{0} << end;
            }
        }
    }

private:
    static constexpr size_t kBlock = 64;
    // Beyond this many distinct delimiters the per-byte table is cheaper than a compare
    // per delimiter.
    static constexpr int kMaxVectorDelimiters = 12;

    // Bit b set when block[b] is a delimiter; reads 64 bytes.
    uint64_t Mask(const char* block) const;
    // The same for the last length - base (< 64) bytes of the text; the bits past them
    // are set.
    uint64_t TailMask(const char* text, size_t length, size_t base) const;

    uint8_t isDelimiter_[256] = {};
#ifdef MTAFILTER_SPLIT_SSE2
    int vectorCount_ = 0;  // -1: too many for vectors, the table decides
    __m128i vectors_[kMaxVectorDelimiters] = {};
#endif
};
