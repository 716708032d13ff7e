// common/FileQueries.h: existence and size of files named by Windows-style paths.
#pragma once

#include <cstdint>

// 1 when at least one entry matches the path ("*" and "?" allowed in its last part).
int FileExists(const char* path);

// The file's size, cut to 32 bits; 0 when it does not exist.
int FileSizeByName(const char* path);

// A size as FileSize gives it (-1: no regular file) turned into FileSizeByName's answer.
int SizeAsCallersTakeIt(int64_t size);
