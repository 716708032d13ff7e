// platform/win32/InputFile.cpp: unbuffered reading on the C runtime's descriptor calls.
#include "platform/InputFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <new>

namespace platform {

struct InputFileState {
    int descriptor;
};

InputFile InputFileOpen(const char* path) {
    if (path == nullptr) return nullptr;
    const int descriptor = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (descriptor < 0) return nullptr;
    InputFile file = new (std::nothrow) InputFileState{descriptor};
    if (file == nullptr) {
        _close(descriptor);
        errno = ENOMEM;
    }
    return file;
}

int64_t InputFileSize(InputFile file) {
    struct _stat64 info {};
    if (file == nullptr || _fstat64(file->descriptor, &info) != 0 ||
        (info.st_mode & _S_IFMT) != _S_IFREG)
        return -1;
    return static_cast<int64_t>(info.st_size);
}

size_t InputFileRead(InputFile file, void* buffer, size_t size) {
    if (file == nullptr || buffer == nullptr || size == 0) return 0;
    const int got =
        _read(file->descriptor, buffer, static_cast<unsigned>(std::min<size_t>(size, INT_MAX)));
    return got > 0 ? static_cast<size_t>(got) : 0;
}

void InputFileClose(InputFile file) {
    if (file == nullptr) return;
    _close(file->descriptor);
    delete file;
}

}  // namespace platform
