// platform/win32/DirectoryWatch.cpp: no directory is watched on Windows; every action file is
// examined by its stamp, as where a folder cannot be watched elsewhere.
//
// A change notification keeps its directory open, and Windows then refuses to rename or
// remove any folder on that path: a mailbox folder the mail server renames, or a filter
// folder an administrator moves, would fail for as long as the service runs. The stamp
// check costs a file query per met filter and blocks nothing.
#include "platform/DirectoryWatch.h"

#include "platform/win32/WinApi.h"

namespace platform {

struct DirectoryWatch {};

int OpenDirectoryWatch(const char* /*path*/, DirectoryWatch** watch) {
    if (watch != nullptr) *watch = nullptr;
    return 0;
}

int DirectoryChangeCount(DirectoryWatch* /*watch*/, uint64_t* /*changes*/) {
    return 0;
}

void CloseDirectoryWatch(DirectoryWatch* /*watch*/) {}

int WatchSeesEveryChange(const char* path) {
    if (path == nullptr) return 0;
    // Opened for attributes only and shared every way, so that a writer is never blocked;
    // a reparse point is opened itself, not followed.
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool plain =
        GetFileInformationByHandle(file, &info) != 0 && info.nNumberOfLinks == 1 &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    CloseHandle(file);
    return plain ? 1 : 0;
}

}  // namespace platform
