// platform/InputFile.h: files read with plain system reads and no stream buffer.
//
// A reader that brings its own block (the message scanner, a whole-file read) pays one
// call per block and nothing more: no buffer set up behind it, and no further call to
// find an end that a short read already showed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct InputFileState;
using InputFile = InputFileState*;

// Opens an existing file for reading, found as FileOpen finds a file to read; null (with
// the system's error in errno) when it cannot be opened.
InputFile InputFileOpen(const char* path);

// The size of the open file as FileSize gives it for its path: -1 when it is not a
// regular file or cannot be examined.
int64_t InputFileSize(InputFile file);

// One read of up to `size` bytes; the count read, 0 at the end of the file or on an
// error. From a regular file a read comes back short only at its end.
size_t InputFileRead(InputFile file, void* buffer, size_t size);

// Closes the file; null is ignored.
void InputFileClose(InputFile file);

}  // namespace platform
