// common/SafeText.h: bounded copy, append, format and replace in caller-owned char buffers.
// Capacities count the terminator. Nothing here writes past a capacity; a value that
// does not fit is cut at the last byte of the buffer and reported.
#pragma once

#include <cstddef>

// Copies `source` into `destination`. Returns `destination`; null when the source did
// not fit (the destination then holds as much as fits, terminated).
char* SafeCopy(char* destination, const char* source, size_t capacity);

// Appends `source` to the text in `destination`. Returns where the appended text
// starts; null when it did not fit (as much as fits is appended, terminated).
char* SafeAppend(char* destination, const char* source, size_t capacity);

template <size_t N>
char* SafeCopy(char (&destination)[N], const char* source) {
    return SafeCopy(destination, source, N);
}
template <size_t N>
char* SafeAppend(char (&destination)[N], const char* source) {
    return SafeAppend(destination, source, N);
}

// Appends at most `most` bytes of `source` at `destination + *used` and terminates, cut
// at the buffer's last byte where snprintf would cut the same text; `*used` (below
// `capacity`) moves past what was appended. For a text built piece by piece where
// parsing a format would cost more than the copying.
void AppendPiece(char* destination, size_t capacity, size_t* used, const char* source,
                 size_t most = static_cast<size_t>(-1));

// Formats into `destination` as snprintf does. Returns 1 when the whole text fit; 0 when
// it was cut (the buffer then holds what fit, terminated unless `capacity` is 0) or could
// not be formatted. A cut path or address would name something else, so callers refuse it.
[[gnu::format(printf, 3, 4)]] [[nodiscard]] int FormatBounded(char* destination, size_t capacity,
                                                              const char* format, ...);

// Replaces every case-sensitive occurrence of `pattern` in `text` (left to right;
// inserted text is never rescanned). Returns 1 on success; 0 when the result would not
// fit `capacity` or the capacity is negative, with `text` exactly as it was. An empty
// or missing pattern leaves the text alone and returns 1.
[[nodiscard]] int ReplaceAll(char* text, const char* pattern, const char* replacement,
                             int capacity);
