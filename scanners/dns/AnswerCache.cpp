// scanners/dns/AnswerCache.cpp: the bounded TTL cache.
#include "scanners/dns/AnswerCache.h"

namespace dns {

bool AnswerCache::Find(const std::string& name, uint64_t nowMs, LookupResult* result) {
    std::lock_guard<std::mutex> hold(lock_);
    auto found = entries_.find(name);
    if (found == entries_.end()) return false;
    if (found->second.expiresMs <= nowMs) {
        byAge_.erase(found->second.age);
        entries_.erase(found);
        return false;
    }
    byAge_.splice(byAge_.begin(), byAge_, found->second.age);
    *result = found->second.result;
    return true;
}

void AnswerCache::Store(const std::string& name, const LookupResult& result, uint32_t ttlSeconds,
                        uint64_t nowMs) {
    if (result.status == LookupStatus::kFailed || ttlSeconds == 0 || capacity_ == 0) return;
    std::lock_guard<std::mutex> hold(lock_);
    const uint64_t expires = nowMs + static_cast<uint64_t>(ttlSeconds) * 1000;
    auto found = entries_.find(name);
    if (found != entries_.end()) {
        found->second.result = result;
        found->second.expiresMs = expires;
        byAge_.splice(byAge_.begin(), byAge_, found->second.age);
        return;
    }
    byAge_.push_front(name);
    entries_.emplace(name, Entry{result, expires, byAge_.begin()});
    TrimLocked();
}

void AnswerCache::SetCapacity(size_t capacity) {
    std::lock_guard<std::mutex> hold(lock_);
    capacity_ = capacity;
    TrimLocked();
}

size_t AnswerCache::Size() {
    std::lock_guard<std::mutex> hold(lock_);
    return entries_.size();
}

void AnswerCache::TrimLocked() {
    while (entries_.size() > capacity_) {
        entries_.erase(byAge_.back());
        byAge_.pop_back();
    }
}

}  // namespace dns
