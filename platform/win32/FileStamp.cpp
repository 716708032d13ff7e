// platform/win32/FileStamp.cpp: file stamps from the file's handle information.
#include "platform/FileStamp.h"

#include "platform/win32/WinApi.h"

namespace platform {
namespace {

constexpr int64_t kNsPerTick = 100;
constexpr int64_t kEpochTicks = 116'444'736'000'000'000;  // 1601 to 1970 in 100 ns ticks

int64_t UnixNanoseconds(int64_t ticks) {
    return (ticks - kEpochTicks) * kNsPerTick;
}

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                time.dwLowDateTime);
}

}  // namespace

int FileStampOf(const char* path, FileStamp* stamp) {
    if (path == nullptr || stamp == nullptr) return 0;
    // Opened for attributes only and shared every way, so that a writer is never blocked.
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    const bool ok = GetFileInformationByHandle(file, &info) != 0 &&
                    GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) != 0 &&
                    (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(file);
    if (!ok) return 0;
    *stamp = FileStamp{
        info.dwVolumeSerialNumber,
        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
        static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
        UnixNanoseconds(Ticks(info.ftLastWriteTime)), UnixNanoseconds(basic.ChangeTime.QuadPart)};
    return 1;
}

int64_t FileClockNowNs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return UnixNanoseconds(Ticks(now));
}

}  // namespace platform
