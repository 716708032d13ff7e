// platform/Guid.cpp: random (version 4) GUIDs from the system's random source.
#include "platform/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace platform {
namespace {

constexpr size_t kGuidBytes = 16;

bool SystemRandom(uint8_t* bytes, size_t size) {
    size_t filled = 0;
    while (filled < size) {
        ssize_t got = getrandom(bytes + filled, size - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        filled += static_cast<size_t>(got);
    }
    return true;
}

// For systems without getrandom: random_device reads the same kernel source.
bool DeviceRandom(uint8_t* bytes, size_t size) {
    try {
        std::random_device device;
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(device());
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

int NewGuid(Guid* guid) {
    if (guid == nullptr) return 0;
    uint8_t bytes[kGuidBytes];
    if (!SystemRandom(bytes, sizeof bytes) && !DeviceRandom(bytes, sizeof bytes)) return 0;
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    guid->data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
                  static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    guid->data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid->data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    memcpy(guid->data4, bytes + 8, sizeof guid->data4);
    return 1;
}

}  // namespace platform
