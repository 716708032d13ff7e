// common/WholeFile.cpp: reading a file into memory in one call.
#include "common/WholeFile.h"

#include <cerrno>

#include "platform/Files.h"
#include "platform/Ownership.h"

int ReadWholeFile(const char* path, std::string* text, int* error) {
    text->clear();
    errno = 0;
    platform::OwnedFile file(path, platform::FileMode::kReadBinary);
    if (!file) {
        if (error != nullptr) *error = errno != 0 ? errno : ENOENT;
        return 0;
    }
    char block[65536];
    size_t got = 0;
    while ((got = platform::FileRead(file.Get(), block, sizeof block)) > 0)
        text->append(block, got);
    return 1;
}
