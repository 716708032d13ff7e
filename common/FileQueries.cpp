// common/FileQueries.cpp: existence and size of files named by Windows-style paths.
#include "common/FileQueries.h"

#include <cstdint>

#include "platform/Files.h"

int FileExists(const char* path) {
    if (path == nullptr) return 0;
    return platform::FileExistsMatching(path) ? 1 : 0;
}

// Callers were written for 32-bit sizes; larger files wrap as they always did.
int SizeAsCallersTakeIt(int64_t size) {
    return size < 0 ? 0 : static_cast<int>(size);
}

int FileSizeByName(const char* path) {
    if (path == nullptr) return 0;
    return SizeAsCallersTakeIt(platform::FileSize(path));
}
