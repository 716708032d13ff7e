// analysis/MessageLines.cpp: block reads served line by line. A message of a few
// kilobytes takes one read instead of one per stdio buffer, and each line is found with
// one search and copied with one copy.
#include "analysis/MessageLines.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

bool MessageLines::Fill() {
    if (ended_) return false;
    begin_ = 0;
    end_ = platform::FileRead(file_, block_.get(), kBlockSize);
    ended_ = end_ == 0;
    return !ended_;
}

char* MessageLines::Next(char* buffer, size_t capacity) {
    if (buffer == nullptr || capacity < 2) return nullptr;
    if (block_ == nullptr && !unbuffered_) {  // before the first read
        block_.reset(new (std::nothrow) char[kBlockSize]);
        unbuffered_ = block_ == nullptr;
    }
    if (unbuffered_) return platform::FileReadLine(file_, buffer, capacity);  // no memory
    size_t used = 0;
    while (used + 1 < capacity) {
        if (begin_ == end_ && !Fill()) break;
        const char* from = block_.get() + begin_;
        const size_t room = std::min(end_ - begin_, capacity - 1 - used);
        const void* lineFeed = std::memchr(from, '\n', room);
        const size_t take = lineFeed != nullptr
                                ? static_cast<size_t>(static_cast<const char*>(lineFeed) - from) + 1
                                : room;
        std::memcpy(buffer + used, from, take);
        used += take;
        begin_ += take;
        if (lineFeed != nullptr) break;
    }
    if (used == 0) return nullptr;
    buffer[used] = '\0';
    return buffer;
}
