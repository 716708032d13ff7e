// common/WholeFile.h: reading a file into memory in one call.
#pragma once

#include <string>

// Reads the whole file, bytes as they are. Returns 1 with the bytes in `text` (emptied
// first); 0 when it cannot be opened, with the system error code in `*error` (when given).
int ReadWholeFile(const char* path, std::string* text, int* error = nullptr);
