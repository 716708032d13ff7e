// filters/TokenTable.h: a set of words looked up by the tokens of a text, letters compared
// after folding. The words are hashed as they are stored and a token is hashed as it is
// read, so that finding whether any of 100,000 words equals a token costs one probe.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/TextSearch.h"

class TokenTable {
public:
    // The hash of the `length` bytes at `token` after folding, as the keys were hashed.
    // Reads eight bytes at a time, never past token + length.
    static uint64_t Hash(const char* token, size_t length) {
        uint64_t hash = length * 0x9E3779B97F4A7C15ull;
        size_t at = 0;
        for (; at + 8 <= length; at += 8) hash = Mix(hash ^ FoldWord(Load8(token + at)));
        if (at < length) hash = Mix(hash ^ FoldWord(LoadTail(token + at, length - at)));
        return hash ^ (hash >> 29);
    }

    // The same hash, where `readable` bytes from `token` may be read (at least `length`):
    // a token of at most eight bytes with eight readable takes one load, masked.
    static uint64_t Hash(const char* token, size_t length, size_t readable) {
        if constexpr (std::endian::native == std::endian::little) {
            if (length != 0 && length <= 8 && readable >= 8) {
                const uint64_t bytes = Load8(token) & (~uint64_t{0} >> (8 * (8 - length)));
                const uint64_t hash = Mix(length * 0x9E3779B97F4A7C15ull ^ FoldWord(bytes));
                return hash ^ (hash >> 29);
            }
        }
        return Hash(token, length);
    }

    // Whether a key may have this hash: false for most tokens of a text, decided within
    // the processor's cache before any slot is read.
    bool MayHold(uint64_t hash) const {
        const uint64_t bits = SeenBits(hash);
        return (seen_[static_cast<size_t>(hash >> 20) & seenMask_] & bits) == bits;
    }

    // Stores `keys` (folded to upper case, non-empty, distinct); key k is found as k.
    // Returns 0 when memory ran out (the table is then empty).
    int Build(const std::vector<std::string>& keys);

    // The key that equals the `length` bytes at `token` after folding, given their hash
    // from Hash; -1 when none does.
    int32_t Find(const char* token, size_t length, uint64_t hash) const;

    size_t KeyCount() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }
    size_t ShortestKey() const { return shortest_; }
    size_t LongestKey() const { return longest_; }

private:
    // The two bits a key sets in its word of seen_: two bits in one word turn away three
    // times as many tokens as one bit would, for the same one memory read.
    static uint64_t SeenBits(uint64_t hash) {
        return uint64_t{1} << (hash >> 52 & 63) | uint64_t{1} << (hash >> 58);
    }
    static uint64_t Mix(uint64_t hash) {
        hash *= 0xFF51AFD7ED558CCDull;
        return hash ^ (hash >> 32);
    }
    static uint64_t Load8(const char* bytes) {
        uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
    // The 1..7 bytes at `bytes` in one word, with two loads that may overlap (a byte
    // loaded twice lands in the same place both times).
    static uint64_t LoadTail(const char* bytes, size_t count) {
        if (count >= 4) return Load4(bytes) | Load4(bytes + count - 4) << (8 * (count - 4));
        if (count >= 2) return Load2(bytes) | Load2(bytes + count - 2) << (8 * (count - 2));
        return static_cast<unsigned char>(bytes[0]);
    }
    static uint64_t Load4(const char* bytes) {
        uint32_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
    static uint64_t Load2(const char* bytes) {
        uint16_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
    // Lower-case ASCII letters of eight bytes to upper case at once, as FoldUpper does
    // byte by byte: a byte is a letter when its low seven bits lie in 'a'..'z' and its
    // high bit is clear; adding to the low seven bits never carries into the next byte.
    static uint64_t FoldWord(uint64_t word) {
        constexpr uint64_t kOnes = 0x0101010101010101ull;
        const uint64_t low = word & (0x7F * kOnes);
        const uint64_t fromA = low + (0x80 - 'a') * kOnes;
        const uint64_t pastZ = low + (0x80 - 'z' - 1) * kOnes;
        const uint64_t letters = fromA & ~pastZ & ~word & (0x80 * kOnes);
        return word - (letters >> 2);
    }

    struct Slot {
        uint32_t key;  // key + 1; 0: empty
        uint32_t tag;  // the high half of the key's hash, checked before the bytes
    };
    std::vector<uint64_t> seen_;     // a word per hash value, about 8 bits per key
    size_t seenMask_ = 0;            // seen_.size() - 1
    std::vector<Slot> slots_;        // a power of two, at most half full
    std::vector<char> bytes_;        // the keys, one after another
    std::vector<uint32_t> offsets_;  // key k is bytes_[offsets_[k]..offsets_[k+1])
    size_t shortest_ = 0;
    size_t longest_ = 0;
};
