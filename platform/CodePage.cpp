// platform/CodePage.cpp: ISO-8859-1 conversions (platform/win32/CodePage.cpp has the
// system's own).
#include "platform/CodePage.h"

#include <cstring>

namespace platform {

namespace {

// The number of units to convert: `length`, or up to and including the terminator.
template <typename Char>
int UnitsToConvert(const Char* text, int length) {
    if (length >= 0) return length;
    int count = 0;
    while (text[count] != 0) ++count;
    return count + 1;
}

}  // namespace

int MultiByteToWideChar(UINT /*codePage*/, DWORD /*flags*/, const char* text, int length,
                        OLECHAR* destination, int capacity) {
    if (text == nullptr || capacity < 0) return 0;
    const int units = UnitsToConvert(text, length);
    if (capacity == 0) return units;
    if (units > capacity || destination == nullptr) return 0;
    for (int i = 0; i < units; ++i)
        destination[i] = static_cast<OLECHAR>(static_cast<unsigned char>(text[i]));
    return units;
}

int WideCharToMultiByte(UINT /*codePage*/, DWORD /*flags*/, const OLECHAR* text, int length,
                        char* destination, int capacity, const char* defaultChar,
                        BOOL* usedDefault) {
    if (usedDefault != nullptr) *usedDefault = 0;
    if (text == nullptr || capacity < 0) return 0;
    const int units = UnitsToConvert(text, length);
    if (capacity == 0) return units;
    if (units > capacity || destination == nullptr) return 0;
    const char replacement = defaultChar != nullptr ? *defaultChar : '?';
    for (int i = 0; i < units; ++i) {
        const auto c = static_cast<uint32_t>(text[i]);
        if (c > 0xFF && usedDefault != nullptr) *usedDefault = 1;
        destination[i] = c > 0xFF ? replacement : static_cast<char>(c);
    }
    return units;
}

}  // namespace platform
