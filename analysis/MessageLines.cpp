// analysis/MessageLines.cpp: block reads served line by line. A message of a few
// kilobytes takes one read instead of one per stdio buffer, and each line is found with
// one search and copied with one copy.
#include "analysis/MessageLines.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

// One block kept between messages, taken and given back without a lock: runs one after
// another reuse it, runs at the same time take blocks of their own.
std::atomic<char*> spareBlock{nullptr};

}  // namespace

MessageLines::~MessageLines() {
    char* empty = nullptr;
    if (block_ != nullptr && block_ != fallback_ &&
        !spareBlock.compare_exchange_strong(empty, block_))
        delete[] block_;
}

void ReleaseSpareLineBlock() {
    delete[] spareBlock.exchange(nullptr);
}

bool MessageLines::Fill() {
    if (ended_) return false;
    filled_ = true;
    begin_ = 0;
    end_ = platform::InputFileRead(file_, block_, blockSize_);
    // A short read is the end of the file (or an error, after which reading stops too), so
    // the next line does not ask the file again.
    ended_ = end_ < blockSize_;
    return end_ > 0;
}

void MessageLines::TakeBlock() {
    if (block_ != nullptr) return;
    block_ = spareBlock.exchange(nullptr);
    if (block_ == nullptr) block_ = new (std::nothrow) char[kBlockSize];
    blockSize_ = block_ != nullptr ? kBlockSize : sizeof fallback_;
    if (block_ == nullptr) block_ = fallback_;
}

int64_t MessageLines::FileSize() {
    TakeBlock();
    if (!filled_) Fill();
    // A first block that came back short holds the whole file; an empty one may stand for
    // an error, and a full one for more to come.
    if (end_ > 0 && ended_) return static_cast<int64_t>(end_);
    return platform::InputFileSize(file_);
}

char* MessageLines::Next(char* buffer, size_t capacity) {
    if (buffer == nullptr || capacity < 2) return nullptr;
    TakeBlock();
    size_t used = 0;
    while (used + 1 < capacity) {
        if (begin_ == end_ && !Fill()) break;
        const char* from = block_ + begin_;
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
