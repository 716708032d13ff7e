// scanners/dns/AnswerCache.h: lookup answers kept for their TTL, at most a fixed number
// of names, shared by every caller of the provider.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "scanners/dns/Resolver.h"

namespace dns {

class AnswerCache {
public:
    // `capacity` names at most; the least recently used goes first.
    explicit AnswerCache(size_t capacity) : capacity_(capacity) {}

    // The cached answer for `name` when one is still fresh at `nowMs`.
    bool Find(const std::string& name, uint64_t nowMs, LookupResult* result);
    // Keeps `result` until `nowMs` + `ttlSeconds`. Failures are never kept: the next
    // message should ask again.
    void Store(const std::string& name, const LookupResult& result, uint32_t ttlSeconds,
               uint64_t nowMs);
    void SetCapacity(size_t capacity);
    size_t Size();

private:
    struct Entry {
        LookupResult result;
        uint64_t expiresMs;
        std::list<std::string>::iterator age;
    };
    void TrimLocked();

    std::mutex lock_;
    size_t capacity_;
    std::list<std::string> byAge_;  // most recently used first
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace dns
