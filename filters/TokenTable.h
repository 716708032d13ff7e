// filters/TokenTable.h: a set of words looked up by the tokens of a text, letters compared
// after folding. The words are hashed as they are stored and a token is hashed as it is
// read, so that finding whether any of 100,000 words equals a token costs one probe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/TextSearch.h"

class TokenTable {
public:
    static constexpr uint64_t kHashStart = 14695981039346656037ull;  // FNV-1a, 64 bits

    // One more byte of a token into its hash, folded as the words were.
    static uint64_t HashStep(uint64_t hash, char c) {
        return (hash ^ FoldUpper(c)) * 1099511628211ull;
    }

    // Stores `keys` (folded to upper case, non-empty, distinct); key k is found as k.
    // Returns 0 when memory ran out (the table is then empty).
    int Build(const std::vector<std::string>& keys);

    // The key that equals the `length` bytes at `token` after folding, given their hash
    // from HashStep; -1 when none does.
    int32_t Find(const char* token, size_t length, uint64_t hash) const;

    size_t KeyCount() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }
    size_t ShortestKey() const { return shortest_; }
    size_t LongestKey() const { return longest_; }

private:
    struct Slot {
        uint32_t key;  // key + 1; 0: empty
        uint32_t tag;  // the high half of the key's hash, checked before the bytes
    };
    std::vector<uint64_t> seen_;     // one bit per hash value, about 8 per key: most tokens of
                                     // a text are turned away here, within the processor's
                                     // cache, before any slot is read
    std::vector<Slot> slots_;        // a power of two, at most half full
    std::vector<char> bytes_;        // the keys, one after another
    std::vector<uint32_t> offsets_;  // key k is bytes_[offsets_[k]..offsets_[k+1])
    size_t shortest_ = 0;
    size_t longest_ = 0;
};
