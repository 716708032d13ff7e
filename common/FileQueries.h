// common/FileQueries.h: existence and size of files named by Windows-style paths.
#pragma once

#include "platform/InputFile.h"

// 1 when at least one entry matches the path ("*" and "?" allowed in its last part).
int FileExists(const char* path);

// The file's size, cut to 32 bits; 0 when it does not exist.
int FileSizeByName(const char* path);

// An open file's size as FileSizeByName gives it for the file's path.
int OpenFileSize(platform::InputFile file);
