// common/SafeText.cpp: bounded copy, append and replace in caller-owned char buffers.
// ReplaceAll works in place without scratch memory: it is called on message lines while
// filtering and must neither allocate nor fail half-way.
#include "common/SafeText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The length of `text`, looking at no more than `limit` bytes; `limit` when no
// terminator lies within them.
size_t BoundedLength(const char* text, size_t limit) {
    const void* terminator = std::memchr(text, '\0', limit);
    return terminator ? static_cast<const char*>(terminator) - text : limit;
}

struct Replacement {
    const char* pattern;
    size_t patternLength;
    const char* text;
    size_t textLength;
};

// The length of `text` once every occurrence is replaced; stops counting as soon as it
// reaches `capacity`, since the caller only needs to know that it does not fit.
size_t ReplacedLength(const char* text, size_t textLength, const Replacement& r, size_t capacity) {
    size_t length = textLength;
    for (const char* hit = std::strstr(text, r.pattern); hit != nullptr && length < capacity;
         hit = std::strstr(hit + r.patternLength, r.pattern)) {
        length = length - r.patternLength + r.textLength;
    }
    return length;
}

// Rewrites the text read from `from` into `to`. `to` never runs ahead of the unread
// text, so only bytes already consumed are overwritten.
void Rewrite(char* to, const char* from, const Replacement& r) {
    for (const char* hit = std::strstr(from, r.pattern); hit != nullptr;
         hit = std::strstr(from, r.pattern)) {
        const size_t kept = hit - from;
        std::memmove(to, from, kept);
        to += kept;
        std::memmove(to, r.text, r.textLength);
        to += r.textLength;
        from = hit + r.patternLength;
    }
    std::memmove(to, from, std::strlen(from) + 1);
}

}  // namespace

char* SafeCopy(char* destination, const char* source, size_t capacity) {
    if (destination == nullptr || capacity == 0) return nullptr;
    if (source == nullptr) source = "";
    const size_t length = BoundedLength(source, capacity);
    if (length < capacity) {
        std::memmove(destination, source, length + 1);
        return destination;
    }
    std::memmove(destination, source, capacity - 1);
    destination[capacity - 1] = '\0';
    return nullptr;
}

char* SafeAppend(char* destination, const char* source, size_t capacity) {
    if (destination == nullptr || capacity == 0) return nullptr;
    const size_t used = BoundedLength(destination, capacity);
    if (used == capacity) {
        destination[capacity - 1] = '\0';
        return nullptr;
    }
    return SafeCopy(destination + used, source, capacity - used);
}

int ReplaceAll(char* text, const char* pattern, const char* replacement, int capacity) {
    if (capacity < 0) return 0;
    if (pattern == nullptr || pattern[0] == '\0') return 1;
    if (text == nullptr) return 0;
    if (replacement == nullptr) replacement = "";
    const size_t room = static_cast<size_t>(capacity);
    const size_t textLength = BoundedLength(text, room);
    if (textLength == room) return 0;  // not even the input fits
    const Replacement r{pattern, std::strlen(pattern), replacement, std::strlen(replacement)};
    const size_t resultLength = ReplacedLength(text, textLength, r, room);
    if (resultLength >= room) return 0;

    // A growing text is first moved up to end where the result will end, so that
    // rewriting from the front never overtakes the bytes still to be read.
    char* from = text;
    if (resultLength > textLength) {
        from = text + (resultLength - textLength);
        std::memmove(from, text, textLength + 1);
    }
    Rewrite(text, from, r);
    return 1;
}

void AppendPiece(char* destination, size_t capacity, size_t* used, const char* source,
                 size_t most) {
    if (destination == nullptr || used == nullptr || *used >= capacity) return;
    if (source == nullptr) source = "";
    const size_t room = capacity - 1 - *used;
    const size_t length = BoundedLength(source, most < room ? most : room);
    std::memcpy(destination + *used, source, length);
    *used += length;
    destination[*used] = '\0';
}

int FormatBounded(char* destination, size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(destination, capacity, format, args);
    va_end(args);
    return length >= 0 && static_cast<size_t>(length) < capacity ? 1 : 0;
}
