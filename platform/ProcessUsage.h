// platform/ProcessUsage.h: what this process holds of the system's resources, the
// figures by which a leak shows.
#pragma once

#include <cstdint>

namespace platform {

struct ProcessUsage {
    int64_t openHandles;  // file descriptors here; kernel object handles on Windows
    int64_t residentKb;   // memory in RAM (the working set on Windows)
};

// 1 with this process's usage now; 0 when the system would not tell.
int ProcessUsageNow(ProcessUsage* usage);

}  // namespace platform
