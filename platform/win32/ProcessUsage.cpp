// platform/win32/ProcessUsage.cpp: the process's handle count and working set. The
// memory figure comes from kernel32's K32GetProcessMemoryInfo, so that no PSAPI.DLL is
// needed.
#include "platform/ProcessUsage.h"

#include "platform/win32/WinApi.h"
// After <windows.h>, which it needs.
#include <psapi.h>

namespace platform {

int ProcessUsageNow(ProcessUsage* usage) {
    if (usage == nullptr) return 0;
    HANDLE self = GetCurrentProcess();
    DWORD handles = 0;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessHandleCount(self, &handles) == 0 ||
        K32GetProcessMemoryInfo(self, &memory, sizeof memory) == 0) {
        return 0;
    }
    usage->openHandles = handles;
    usage->residentKb = static_cast<int64_t>(memory.WorkingSetSize / 1024);
    return 1;
}

}  // namespace platform
