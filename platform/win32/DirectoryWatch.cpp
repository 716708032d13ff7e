// platform/win32/DirectoryWatch.cpp: directory watches from change notification handles.
// A folder on the path cannot be renamed or removed while the handle keeps the directory
// open, so the directory alone is watched.
#include "platform/DirectoryWatch.h"

#include <atomic>
#include <new>

#include "platform/win32/WinApi.h"

namespace platform {

namespace {

constexpr DWORD kEvents = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                          FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION |
                          FILE_NOTIFY_CHANGE_SECURITY;

// Every change, process-wide: a watch's number is the last one it took, so a number is
// never given by two watches.
std::atomic<uint64_t> changeSerial{0};

}  // namespace

struct DirectoryWatch {
    HANDLE notification;
    uint64_t changes;
    bool lost;
};

int OpenDirectoryWatch(const char* path, DirectoryWatch** watch) {
    if (path == nullptr || watch == nullptr) return 0;
    *watch = nullptr;
    const HANDLE notification = FindFirstChangeNotificationA(path, FALSE, kEvents);
    if (notification == INVALID_HANDLE_VALUE) return 0;
    *watch = new (std::nothrow) DirectoryWatch{notification, ++changeSerial, false};
    if (*watch == nullptr) FindCloseChangeNotification(notification);
    return *watch != nullptr ? 1 : 0;
}

int DirectoryChangeCount(DirectoryWatch* watch, uint64_t* changes) {
    if (watch == nullptr || changes == nullptr || watch->lost) return 0;
    bool changed = false;
    DWORD state = WaitForSingleObject(watch->notification, 0);
    // Changes made while the handle is signalled are kept for the next wait.
    while (state == WAIT_OBJECT_0) {
        changed = true;
        if (!FindNextChangeNotification(watch->notification)) {
            watch->lost = true;
            return 0;
        }
        state = WaitForSingleObject(watch->notification, 0);
    }
    if (state != WAIT_TIMEOUT) {
        watch->lost = true;
        return 0;
    }
    if (changed) watch->changes = ++changeSerial;
    *changes = watch->changes;
    return 1;
}

void CloseDirectoryWatch(DirectoryWatch* watch) {
    if (watch == nullptr) return;
    FindCloseChangeNotification(watch->notification);
    delete watch;
}

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
