// common/DelimitedField.cpp: cutting fields out of delimited configuration lines.
#include "common/DelimitedField.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/TextSearch.h"

namespace {

// The source text with the delimiter to cut it at.
struct Splitter {
    const char* begin;
    const char* end;
    const char* delimiter;
    size_t delimiterLength;
    char escape;
};

// The next delimiter at or after `from` that is not escaped; null when there is none.
// An escaped delimiter is part of the field's text, so the search goes on behind it.
const char* NextDelimiter(const Splitter& s, const char* from) {
    while (from < s.end) {
        // The search length must never read as "measure to the terminator".
        const size_t remaining = std::min<size_t>(s.end - from, kMeasureLength - 1);
        const char* hit = FindNoCase(from, static_cast<uint32_t>(remaining), s.delimiter,
                                     static_cast<uint32_t>(s.delimiterLength));
        if (hit == nullptr) return nullptr;
        const bool escaped = s.escape != 0 && hit > s.begin && hit[-1] == s.escape;
        if (!escaped) return hit;
        from = hit + s.delimiterLength;
    }
    return nullptr;
}

// Stores a field when it fits with its terminator; otherwise leaves an empty string.
int StoreField(const char* begin, const char* end, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    const size_t length = end - begin;
    if (length >= capacity) {
        destination[0] = '\0';
        return 0;
    }
    std::memcpy(destination, begin, length);
    destination[length] = '\0';
    return 1;
}

}  // namespace

int GetDelimitedField(const char* source, const char* delimiter, int field, char* destination,
                      size_t capacity, char escape) {
    if (source == nullptr) source = "";
    if (delimiter == nullptr) delimiter = "";
    const Splitter s{source, source + std::strlen(source), delimiter, std::strlen(delimiter),
                     escape};

    const char* first = NextDelimiter(s, source);
    if (field <= 1) return StoreField(source, first ? first : s.end, destination, capacity);
    if (first == nullptr) return 0;

    // Fields past the last one fall back to the last one: stop walking at its end.
    const char* begin = first + s.delimiterLength;
    const char* end = NextDelimiter(s, begin);
    for (int number = 2; number < field && end != nullptr; ++number) {
        begin = end + s.delimiterLength;
        end = NextDelimiter(s, begin);
    }
    return StoreField(begin, end ? end : s.end, destination, capacity);
}

int CountDelimitedFields(const char* text, const char* delimiter) {
    if (text == nullptr || text[0] == '\0') return 0;
    int count = 1;
    // An empty delimiter would match everywhere, the terminator included.
    if (delimiter == nullptr || delimiter[0] == '\0') return count;
    // Resuming one character after a hit (not after its end) lets overlapping
    // occurrences of a longer delimiter count separately, as existing settings expect.
    for (const char* hit = std::strstr(text + 1, delimiter);
         hit != nullptr && count < kMaxDelimitedFields; hit = std::strstr(hit + 1, delimiter)) {
        ++count;
    }
    return count;
}
