// platform/Files.h: files and directories, addressed with Windows-style paths.
//
// Paths use "\" separators as the plug-in builds them; "/" is accepted too. A path
// component that does not exist under its exact name is looked up without regard to
// case ("MESSAGES" finds "Messages"), as on the Windows file system. Text mode behaves
// as the Windows C runtime's: reading turns each CR LF into LF, writing turns LF into
// CR LF; binary mode leaves bytes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct stat;

namespace platform {

// The host path of a Windows-style path: separators turned to "/", each component
// that does not exist exactly matched without regard to case. Components that do not
// exist at all are kept as written (so a file can be created under that name).
std::string HostPath(const char* path);

// Opens a file to read through `open` (given a host path, returning `failed` when it
// cannot open it): the path as written, separators turned to "/", first, since a file
// that opens so is the one HostPath would name; only then through HostPath, which looks
// components up without regard to case. Writes always go through HostPath, which may name
// a differently cased file that exists.
template <typename Opened, typename Open>
Opened OpenToRead(const char* path, Opened failed, Open open) {
    std::string converted = path;
    for (char& c : converted)
        if (c == '\\') c = '/';
    Opened opened = open(converted.c_str());
    return opened != failed ? opened : open(HostPath(path).c_str());
}

// stat() of the file a Windows-style path names, as stat(HostPath(path)) gives it: 0 with
// `info` filled, -1 when there is none. A path that exists as written costs one call.
int StatHostPath(const char* path, struct stat* info);

enum class FileMode {
    kReadText,      // "rt": must exist
    kReadBinary,    // "rb": must exist
    kWriteText,     // "wt": created or truncated
    kWriteBinary,   // "wb": created or truncated
    kAppendText,    // "at": created when missing, writes go to the end
    kAppendBinary,  // "ab"
};

struct FileState;
using File = FileState*;

// Opens a file; null when it cannot be opened.
File FileOpen(const char* path, FileMode mode);

// Flushes and closes. Returns 1 when everything written reached the file, else 0. Null is ignored
// (1).
int FileClose(File file);

// Reads a line as fgets does: at most capacity-1 bytes, stopping after a line feed,
// always terminated. In text mode the CR of a CR LF is dropped. Returns `buffer`, or
// null at end of file with nothing read.
char* FileReadLine(File file, char* buffer, size_t capacity);

// Reads up to `size` bytes (text mode translates CR LF); returns the count read.
size_t FileRead(File file, void* buffer, size_t size);

// Writes bytes (text mode translates LF). Returns 1 when all were written, else 0.
int FileWrite(File file, const void* data, size_t size);

// Writes a zero-terminated text. Returns 1 when all was written, else 0.
int FileWriteText(File file, const char* text);

// Flushes buffered writes to the file. Returns 1 on success.
int FileFlush(File file);

// Flushes buffered writes and has the system put the file's bytes on disk, so that
// they survive a power loss once this returns 1.
int FileSync(File file);

// Has the system put the directory's entries (names created, renamed or removed in it)
// on disk. Returns 1 on success.
int DirectorySync(const char* path);

// Copies a file. With failIfExists set an existing target is an error (CopyFile's flag).
int FileCopy(const char* from, const char* to, int failIfExists);

// Moves or renames a file, replacing an existing target atomically when asked.
int FileMove(const char* from, const char* to, int replaceExisting);

// Deletes a file. Returns 1 when it was deleted.
int FileDelete(const char* path);

// 1 when at least one entry matches; the last component may hold "*" and "?" wildcards
// (matched without regard to case).
int FileExistsMatching(const char* pattern);

// The size in bytes, or -1 when the file does not exist or is not a regular file.
int64_t FileSize(const char* path);

// When the file was last modified, in seconds since 1970 (UTC); -1 when it does not
// exist.
int64_t FileModifiedUtcSeconds(const char* path);

// 1 when the path names an existing directory.
int DirectoryExists(const char* path);

// Creates a directory and any missing parents. Returns 1 when it exists afterwards.
int DirectoryCreate(const char* path);

// The names (not paths) of the entries of a directory, sorted by name; directories
// included when `includeDirectories` is set. Returns 0 when it cannot be listed.
int DirectoryList(const char* path, int includeDirectories, std::vector<std::string>* names);

// Removes a directory and everything below it. Returns 1 when nothing is left.
int DirectoryRemoveTree(const char* path);

}  // namespace platform
