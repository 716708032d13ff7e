// filters/TokenTable.cpp: building and probing the token table (open addressing, linear
// probing).
#include "filters/TokenTable.h"

#include <algorithm>
#include <new>

int TokenTable::Build(const std::vector<std::string>& keys) {
    seen_ = {};
    seenMask_ = 0;
    slots_ = {};
    bytes_ = {};
    offsets_ = {};
    shortest_ = 0;
    longest_ = 0;
    if (keys.empty()) return 1;
    try {
        size_t size = 16;
        while (size < keys.size() * 2) size *= 2;
        slots_.assign(size, Slot{0, 0});
        seen_.assign(size / 16, 0);  // 4 bits per slot, so about 8 per key
        seenMask_ = seen_.size() - 1;
        offsets_.reserve(keys.size() + 1);
        shortest_ = keys[0].size();
        for (size_t k = 0; k < keys.size(); ++k) {
            const std::string& key = keys[k];
            offsets_.push_back(static_cast<uint32_t>(bytes_.size()));
            bytes_.insert(bytes_.end(), key.begin(), key.end());
            shortest_ = std::min(shortest_, key.size());
            longest_ = std::max(longest_, key.size());
            const uint64_t hash = Hash(key.data(), key.size());
            seen_[static_cast<size_t>(hash >> 20) & seenMask_] |= SeenBits(hash);
            size_t at = static_cast<size_t>(hash) & (size - 1);
            while (slots_[at].key != 0) at = (at + 1) & (size - 1);
            slots_[at] = Slot{static_cast<uint32_t>(k + 1), static_cast<uint32_t>(hash >> 32)};
        }
        offsets_.push_back(static_cast<uint32_t>(bytes_.size()));
        return 1;
    } catch (const std::bad_alloc&) {
        seen_ = {};
        seenMask_ = 0;
        slots_ = {};
        bytes_ = {};
        offsets_ = {};
        return 0;
    }
}

int32_t TokenTable::Find(const char* token, size_t length, uint64_t hash) const {
    if (slots_.empty() || !MayHold(hash)) return -1;
    const size_t mask = slots_.size() - 1;
    const auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.key == 0) return -1;
        if (slot.tag != tag) continue;
        const uint32_t k = slot.key - 1;
        const uint32_t begin = offsets_[k];
        if (offsets_[k + 1] - begin != length) continue;
        // The stored key is folded already; folding it again changes nothing.
        if (EqualNoCase(bytes_.data() + begin, token, length)) return static_cast<int32_t>(k);
    }
}
