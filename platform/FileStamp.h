// platform/FileStamp.h: telling whether a file may have changed since it was last read,
// for content kept in memory between messages.
#pragma once

#include <cstdint>

namespace platform {

struct FileStamp {
    uint64_t device;
    uint64_t inode;
    int64_t size;
    int64_t modifiedNs;  // content last changed
    int64_t changedNs;   // content or attributes last changed (a rename in place too)
};

// 1 with the stamp of the regular file at `path`; 0 when it cannot be examined.
int FileStampOf(const char* path, FileStamp* stamp);

// The wall clock the file system stamps files with, in nanoseconds.
int64_t FileClockNowNs();

// Whether content read at `readNs` (FileClockNowNs before the read) from a file whose stamp
// was `before` is still what the file holds now that its stamp is `now`. Equal stamps are
// not enough alone: a write in the same clock tick as the one before keeps the time, so
// the content is trusted only when it was read well after the file's last change.
bool FileUnchangedSince(const FileStamp& before, int64_t readNs, const FileStamp& now);

}  // namespace platform
