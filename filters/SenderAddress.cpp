// filters/SenderAddress.cpp: the bare address of an envelope sender.
#include "filters/SenderAddress.h"

#include <cstring>

int ExtractSenderAddress(const char* sender, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    destination[0] = '\0';
    if (sender == nullptr) return 0;
    const char* colon = std::strchr(sender, ':');
    const char* begin = colon != nullptr ? colon + 1 : sender;
    size_t length = std::strlen(begin);
    // The envelope writes "[TYPE:address]": drop the closing bracket, whatever it is.
    if (colon != nullptr && length > 0) --length;
    if (length < capacity) {
        std::memcpy(destination, begin, length);
        destination[length] = '\0';
    }
    return colon != nullptr ? 1 : 0;
}
