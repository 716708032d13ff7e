// platform/InputFile.cpp: unbuffered reading on the POSIX descriptor calls.
#include "platform/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <new>
#include <string>

#include "platform/Files.h"
#include "platform/NoThrow.h"

namespace platform {

struct InputFileState {
    int descriptor;
};

// As FileOpen for reading.
InputFile InputFileOpen(const char* path) {
    if (path == nullptr) return nullptr;
    return NoThrow<InputFile>(nullptr, [&]() -> InputFile {
        const int descriptor = OpenToRead(
            path, -1, [](const char* hostPath) { return open(hostPath, O_RDONLY | O_CLOEXEC); });
        if (descriptor < 0) return nullptr;
        InputFile file = new (std::nothrow) InputFileState{descriptor};
        if (file == nullptr) {
            close(descriptor);
            errno = ENOMEM;
        }
        return file;
    });
}

int64_t InputFileSize(InputFile file) {
    struct stat info {};
    if (file == nullptr || fstat(file->descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

size_t InputFileRead(InputFile file, void* buffer, size_t size) {
    if (file == nullptr || buffer == nullptr || size == 0) return 0;
    size = std::min<size_t>(size, INT_MAX);
    ssize_t got = 0;
    do {
        got = read(file->descriptor, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

void InputFileClose(InputFile file) {
    if (file == nullptr) return;
    close(file->descriptor);
    delete file;
}

}  // namespace platform
