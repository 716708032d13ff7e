// common/MessageFileName.cpp: names for new message files, unique by way of a fresh GUID.
#include "common/MessageFileName.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/Guid.h"

int NewMessageFileName(char* destination, size_t capacity) {
    if (destination == nullptr) return 1;
    platform::Guid guid{};
    platform::NewGuid(&guid);
    const uint8_t* d = guid.data4;
    std::snprintf(destination, capacity, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X.MAI",
                  static_cast<unsigned>(guid.data1), static_cast<unsigned>(guid.data2),
                  static_cast<unsigned>(guid.data3), d[0], d[1], d[2], d[3], d[4], d[5], d[6],
                  d[7]);
    return 1;
}

int IsPlainFileName(const char* name) {
    if (name == nullptr || *name == '\0' || std::strstr(name, "..") != nullptr) return 0;
    for (const char* c = name; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte == 0x7F || *c == '\\' || *c == '/' || *c == ':') return 0;
    }
    return 1;
}
