// platform/FileStamp.cpp: file stamps from stat().
#include "platform/FileStamp.h"

#include <sys/stat.h>

#include <ctime>
#include <string>

#include "platform/Files.h"
#include "platform/NoThrow.h"

namespace platform {

namespace {

int64_t Nanoseconds(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

int FileStampOf(const char* path, FileStamp* stamp) {
    if (path == nullptr || stamp == nullptr) return 0;
    return NoThrow(0, [&] {
        struct stat info;
        if (StatHostPath(path, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
        *stamp = FileStamp{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                           static_cast<int64_t>(info.st_size), Nanoseconds(info.st_mtim),
                           Nanoseconds(info.st_ctim)};
        return 1;
    });
}

int64_t FileClockNowNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

}  // namespace platform
