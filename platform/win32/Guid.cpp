// platform/win32/Guid.cpp: new GUIDs from the system.
#include "platform/Guid.h"

#include <objbase.h>

#include <cstring>

#include "platform/win32/WinApi.h"

namespace platform {

int NewGuid(Guid* guid) {
    if (guid == nullptr) return 0;
    ::GUID made;
    if (FAILED(CoCreateGuid(&made))) return 0;
    static_assert(sizeof made == sizeof *guid, "the same sixteen bytes");
    memcpy(guid, &made, sizeof made);
    return 1;
}

}  // namespace platform
