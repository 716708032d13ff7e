// platform/DirectoryWatch.h: whether anything in a directory may have changed since a
// moment, told by the system's change notification instead of examining each file.
#pragma once

#include <cstdint>

namespace platform {

struct DirectoryWatch;

// 1 with a watch on the directory at `path` (a plug-in path, as the file functions take
// it); 0 when the system cannot be trusted to report every change there (no such
// directory, a link on the way, a file system that other machines write to, no
// notification left; always on Windows): the caller then examines its files itself.
int OpenDirectoryWatch(const char* path, DirectoryWatch** watch);

// 1 with a number that stays the same while no file directly in the directory is
// created, written, renamed, removed or has its attributes changed, and while no folder
// on the directory's path is renamed, replaced or removed. No two watches of the process
// ever give the same number. 0 when the watch can no longer tell: close it. One thread at
// a time.
int DirectoryChangeCount(DirectoryWatch* watch, uint64_t* changes);

void CloseDirectoryWatch(DirectoryWatch* watch);

// 1 when every change to the file at `path` is reported by a watch on its directory: a
// regular file known by this one name (a file linked from elsewhere can be written under
// its other name without a word to this directory).
int WatchSeesEveryChange(const char* path);

}  // namespace platform
