// platform/Guid.h: globally unique identifiers.
#pragma once

#include <cstdint>

namespace platform {

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// A fresh random (version 4) GUID. Returns 1 on success.
int NewGuid(Guid* guid);

}  // namespace platform
