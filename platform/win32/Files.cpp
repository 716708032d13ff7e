// platform/win32/Files.cpp: file and directory operations on the system's own calls: the C
// runtime's text mode, CopyFile, MoveFileEx and FindFirstFile.
#include "platform/Files.h"

#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "platform/NoThrow.h"
#include "platform/win32/WinApi.h"

namespace platform {

struct FileState {
    FILE* stream;
    bool failed;  // some write or flush did not reach the file
};

namespace {

// "N": the handle is not inherited by started programs.
const char* StdioMode(FileMode mode) {
    switch (mode) {
        case FileMode::kReadText:
            return "rtN";
        case FileMode::kReadBinary:
            return "rbN";
        case FileMode::kWriteText:
            return "wtN";
        case FileMode::kWriteBinary:
            return "wbN";
        case FileMode::kAppendText:
            return "atN";
        case FileMode::kAppendBinary:
            return "abN";
    }
    return "rbN";
}

bool Attributes(const char* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
    return GetFileAttributesExA(path, GetFileExInfoStandard, data) != 0;
}

bool IsDirectoryEntry(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsDotEntry(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

bool NameBefore(const std::string& a, const std::string& b) {
    int folded = _stricmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

// 100-nanosecond ticks since 1601 to seconds since 1970.
int64_t UnixSeconds(const FILETIME& time) {
    constexpr int64_t kTicksPerSecond = 10'000'000;
    constexpr int64_t kEpochDifference = 11'644'473'600;
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                               time.dwLowDateTime);
    return ticks / kTicksPerSecond - kEpochDifference;
}

}  // namespace

std::string HostPath(const char* path) {
    return path == nullptr ? std::string() : std::string(path);
}

File FileOpen(const char* path, FileMode mode) {
    if (path == nullptr) return nullptr;
    FILE* stream = fopen(path, StdioMode(mode));
    if (stream == nullptr) return nullptr;
    File file = new (std::nothrow) FileState{stream, false};
    if (file == nullptr) fclose(stream);
    return file;
}

int FileClose(File file) {
    if (file == nullptr) return 1;
    bool ok = !file->failed;
    ok = fflush(file->stream) == 0 && ok;
    ok = fclose(file->stream) == 0 && ok;
    delete file;
    return ok ? 1 : 0;
}

char* FileReadLine(File file, char* buffer, size_t capacity) {
    if (file == nullptr || buffer == nullptr || capacity == 0) return nullptr;
    int limit = static_cast<int>(std::min<size_t>(capacity, INT_MAX));
    return fgets(buffer, limit, file->stream);
}

size_t FileRead(File file, void* buffer, size_t size) {
    if (file == nullptr || buffer == nullptr) return 0;
    return fread(buffer, 1, size, file->stream);
}

int FileWrite(File file, const void* data, size_t size) {
    if (file == nullptr || (data == nullptr && size > 0)) return 0;
    bool ok = size == 0 || fwrite(data, 1, size, file->stream) == size;
    if (!ok) file->failed = true;
    return ok ? 1 : 0;
}

int FileWriteText(File file, const char* text) {
    if (text == nullptr) return 0;
    return FileWrite(file, text, strlen(text));
}

int FileFlush(File file) {
    if (file == nullptr) return 0;
    if (fflush(file->stream) == 0) return 1;
    file->failed = true;
    return 0;
}

int FileSync(File file) {
    if (file == nullptr || !FileFlush(file)) return 0;
    if (_commit(_fileno(file->stream)) == 0) return 1;
    file->failed = true;
    return 0;
}

// A directory's entries reach the disk with the changes to its files on NTFS.
int DirectorySync(const char* path) {
    return path != nullptr && DirectoryExists(path) ? 1 : 0;
}

int FileCopy(const char* from, const char* to, int failIfExists) {
    if (from == nullptr || to == nullptr) return 0;
    return CopyFileA(from, to, failIfExists != 0 ? TRUE : FALSE) != 0 ? 1 : 0;
}

int FileMove(const char* from, const char* to, int replaceExisting) {
    if (from == nullptr || to == nullptr) return 0;
    DWORD flags = MOVEFILE_COPY_ALLOWED | (replaceExisting != 0 ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(from, to, flags) != 0 ? 1 : 0;
}

int FileDelete(const char* path) {
    if (path == nullptr) return 0;
    return DeleteFileA(path) != 0 ? 1 : 0;
}

int FileExistsMatching(const char* pattern) {
    if (pattern == nullptr || *pattern == '\0') return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    return 1;
}

int64_t FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr || !Attributes(path, &data) || IsDirectoryEntry(data.dwFileAttributes))
        return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

int64_t FileModifiedUtcSeconds(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr || !Attributes(path, &data)) return -1;
    return UnixSeconds(data.ftLastWriteTime);
}

int DirectoryExists(const char* path) {
    if (path == nullptr) return 0;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && IsDirectoryEntry(attributes) ? 1 : 0;
}

int DirectoryCreate(const char* path) {
    if (path == nullptr || *path == '\0') return 0;
    return NoThrow(0, [&] {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
        return DirectoryExists(path);
    });
}

int DirectoryList(const char* path, int includeDirectories, std::vector<std::string>* names) {
    if (path == nullptr || names == nullptr) return 0;
    return NoThrow(0, [&] {
        names->clear();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((std::string(path) + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return DirectoryExists(path);
        do {
            if (IsDotEntry(found.cFileName)) continue;
            if (!includeDirectories && IsDirectoryEntry(found.dwFileAttributes)) continue;
            names->emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found) != 0);
        FindClose(search);
        std::sort(names->begin(), names->end(), NameBefore);
        return 1;
    });
}

int DirectoryRemoveTree(const char* path) {
    if (path == nullptr || *path == '\0') return 0;
    return NoThrow(0, [&] {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
    });
}

}  // namespace platform
