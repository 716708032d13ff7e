// common/AtomicFile.cpp: replacing a message file through a scratch file and one rename.
#include "common/AtomicFile.h"

#include <cstdio>

#include "common/MessageFileName.h"
#include "platform/Files.h"

namespace {

// The GUID digits of a fresh message file name make the scratch name unique, so two
// runs rewriting the same message never write into each other's scratch file.
constexpr size_t kGuidDigits = 32;

int ScratchPath(const char* path, char* destination, size_t capacity) {
    char unique[64];
    NewMessageFileName(unique, sizeof unique);
    unique[kGuidDigits] = '\0';
    int written = std::snprintf(destination, capacity, "%s%s%s", path, kScratchFileMarker, unique);
    return written >= 0 && static_cast<size_t>(written) < capacity ? 1 : 0;
}

int WriteWholeFile(const char* path, const char* bytes, size_t length) {
    platform::File file = platform::FileOpen(path, platform::FileMode::kWriteBinary);
    if (file == nullptr) return 0;
    int written = length == 0 ? 1 : platform::FileWrite(file, bytes, length);
    // The close reports a write that the buffer held back and then failed (disk full).
    written &= platform::FileClose(file);
    return written;
}

}  // namespace

int ReplaceFileAtomically(const char* path, const char* bytes, size_t length) {
    if (path == nullptr || (bytes == nullptr && length > 0)) return 0;
    char scratch[2048];
    if (!ScratchPath(path, scratch, sizeof scratch)) return 0;
    if (WriteWholeFile(scratch, bytes, length) && platform::FileMove(scratch, path, 1)) return 1;
    platform::FileDelete(scratch);
    return 0;
}
