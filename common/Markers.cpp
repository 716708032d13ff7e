// common/Markers.cpp: reading values out of tagged texts ("<RESULT>...</RESULT>").
#include "common/Markers.h"

#include <cstring>

namespace {

struct Value {
    const char* begin;
    const char* end;
    const char* next;  // just past the end marker
};

// Locates the value between the markers. The end marker is searched `skip` characters
// into the value; the value must be at least that long.
bool FindValue(const char* text, const char* startMarker, const char* endMarker, size_t skip,
               Value* value) {
    if (text == nullptr || endMarker == nullptr) return false;
    const char* begin = text;
    if (startMarker != nullptr && startMarker[0] != '\0') {
        begin = std::strstr(text, startMarker);
        if (begin == nullptr) return false;
        begin += std::strlen(startMarker);
    }
    if (std::memchr(begin, '\0', skip) != nullptr) return false;
    const char* end = std::strstr(begin + skip, endMarker);
    if (end == nullptr) return false;
    *value = Value{begin, end, end + std::strlen(endMarker)};
    return true;
}

void Store(const char* begin, size_t length, char* destination) {
    std::memcpy(destination, begin, length);
    destination[length] = '\0';
}

}  // namespace

const char* ExtractBetween(const char* text, const char* startMarker, const char* endMarker,
                           char* destination, size_t capacity) {
    Value value;
    if (!FindValue(text, startMarker, endMarker, 0, &value)) return nullptr;
    const size_t length = value.end - value.begin;
    if (length >= capacity) return nullptr;
    Store(value.begin, length, destination);
    return value.next;
}

const char* ExtractBetweenBounded(const char* text, const char* startMarker, const char* endMarker,
                                  char* destination, size_t capacity, int strict) {
    Value value;
    if (!FindValue(text, startMarker, endMarker, 1, &value)) return nullptr;
    if (capacity == 0) return nullptr;
    size_t length = value.end - value.begin;
    if (length >= capacity) {
        if (strict) return nullptr;
        length = capacity - 1;
    }
    Store(value.begin, length, destination);
    return value.next;
}
