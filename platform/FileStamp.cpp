// platform/FileStamp.cpp: file stamps from stat().
#include "platform/FileStamp.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <string>

#include "platform/Files.h"
#include "platform/NoThrow.h"

namespace platform {

namespace {

// Well past the timestamp granularity of the file system that stamped the file: one that
// keeps fractions of a second ticks in milliseconds at most; one that keeps whole seconds
// may keep even ones only.
constexpr int64_t kFineSettledNs = 100'000'000;
constexpr int64_t kCoarseSettledNs = 2'000'000'000;
constexpr int64_t kSecondNs = 1'000'000'000;

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

bool FileUnchangedSince(const FileStamp& before, int64_t readNs, const FileStamp& now) {
    const bool same = before.device == now.device && before.inode == now.inode &&
                      before.size == now.size && before.modifiedNs == now.modifiedNs &&
                      before.changedNs == now.changedNs;
    const bool coarse = before.modifiedNs % kSecondNs == 0 && before.changedNs % kSecondNs == 0;
    const int64_t settled = coarse ? kCoarseSettledNs : kFineSettledNs;
    return same && readNs - std::max(before.modifiedNs, before.changedNs) > settled;
}

}  // namespace platform
