// tests/fuzz/FuzzDelimitedField.cpp: libFuzzer target for the field, marker and replace
// utilities. The input is split at NUL bytes into a text, a delimiter or pattern, and a
// replacement; the first byte picks the field number, escape and capacity.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/DelimitedField.h"
#include "common/Markers.h"
#include "common/SafeText.h"

namespace {

constexpr size_t kCapacity = 64;

struct Parts {
    std::string text;
    std::string delimiter;
    std::string replacement;
};

Parts Split(const uint8_t* data, size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    Parts parts;
    std::string* slots[] = {&parts.text, &parts.delimiter, &parts.replacement};
    size_t slot = 0;
    for (char ch : all) {
        if (ch == '\0' && slot < 2) {
            ++slot;
        } else if (ch != '\0') {
            *slots[slot] += ch;
        }
    }
    return parts;
}

void FuzzFields(const Parts& p, uint8_t control) {
    const int field = static_cast<int>(control % 8) - 1;
    const char escape = (control & 0x80) ? '\\' : 0;
    // The capacity is smaller than the buffer so that overruns reach the sanitizer.
    const size_t capacity = control % kCapacity;
    char* destination = new char[capacity + 1];
    std::memset(destination, 'x', capacity + 1);
    destination[capacity] = '\0';
    (void)GetDelimitedField(p.text.c_str(), p.delimiter.c_str(), field, destination, capacity,
                            escape);
    (void)CountDelimitedFields(p.text.c_str(), p.delimiter.c_str());
    ExtractBetween(p.text.c_str(), p.delimiter.c_str(), p.replacement.c_str(), destination,
                   capacity);
    ExtractBetweenBounded(p.text.c_str(), p.delimiter.c_str(), p.replacement.c_str(), destination,
                          capacity, control & 1);
    delete[] destination;
}

void FuzzReplace(const Parts& p, uint8_t control) {
    const size_t capacity = p.text.size() + 1 + control % 16;
    char* text = new char[capacity];
    std::memcpy(text, p.text.c_str(), p.text.size() + 1);
    if (ReplaceAll(text, p.delimiter.c_str(), p.replacement.c_str(), static_cast<int>(capacity)) &&
        std::strlen(text) >= capacity) {
        __builtin_trap();
    }
    delete[] text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Parts parts = Split(data + 1, size - 1);
    FuzzFields(parts, data[0]);
    FuzzReplace(parts, data[0]);
    return 0;
}
