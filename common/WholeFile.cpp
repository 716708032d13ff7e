// common/WholeFile.cpp: reading a file into memory in one call.
#include "common/WholeFile.h"

#include <cerrno>

#include "platform/InputFile.h"
#include "platform/Ownership.h"

int ReadWholeFile(const char* path, std::string* text, int* error) {
    text->clear();
    errno = 0;
    platform::OwnedInputFile file(path);
    if (!file) {
        if (error != nullptr) *error = errno != 0 ? errno : ENOENT;
        return 0;
    }
    // A read that comes back short has met the end of the file: no read is spent to find
    // it, and a small file costs one.
    char block[65536];
    for (;;) {
        const size_t got = platform::InputFileRead(file.Get(), block, sizeof block);
        text->append(block, got);
        if (got < sizeof block) break;
    }
    return 1;
}
