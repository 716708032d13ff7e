// common/TextModeLines.cpp: fgets over bytes in memory, with the text mode's CR LF.
#include "common/TextModeLines.h"

#include <algorithm>
#include <cstring>

char* TextModeLines::Next(char* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0) return nullptr;
    // fgets with room for the terminator alone reads nothing, and says so with an empty
    // line however often it is asked.
    if (capacity == 1) {
        buffer[0] = '\0';
        return buffer;
    }
    const size_t room = std::min(capacity - 1, size_ - at_);
    if (room == 0) return nullptr;
    const char* from = bytes_ + at_;
    const void* lineFeed = std::memchr(from, '\n', room);
    const size_t take = lineFeed != nullptr
                            ? static_cast<size_t>(static_cast<const char*>(lineFeed) - from) + 1
                            : room;
    std::memcpy(buffer, from, take);
    buffer[take] = '\0';
    at_ += take;
    // The line end is looked for where the text ends, which a zero byte may bring forward.
    const size_t length = std::strlen(buffer);
    if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
        buffer[length - 2] = '\n';
        buffer[length - 1] = '\0';
    } else if (length >= 1 && buffer[length - 1] == '\r' && at_ < size_ && bytes_[at_] == '\n') {
        buffer[length - 1] = '\n';
        ++at_;
    }
    return buffer;
}
