// platform/ProcessUsage.cpp: the process's descriptors and resident memory, from /proc.
#include "platform/ProcessUsage.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>

namespace platform {
namespace {

// The open descriptors, less the one that lists them.
int64_t OpenDescriptors() {
    DIR* directory = opendir("/proc/self/fd");
    if (directory == nullptr) return -1;
    int64_t count = 0;
    while (const dirent* entry = readdir(directory))
        if (entry->d_name[0] != '.') ++count;
    closedir(directory);
    return count - 1;
}

int64_t ResidentKb() {
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return -1;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = -1;
    std::fclose(statm);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int ProcessUsageNow(ProcessUsage* usage) {
    if (usage == nullptr) return 0;
    usage->openHandles = OpenDescriptors();
    usage->residentKb = ResidentKb();
    return usage->openHandles >= 0 && usage->residentKb >= 0 ? 1 : 0;
}

}  // namespace platform
