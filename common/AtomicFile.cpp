// common/AtomicFile.cpp: replacing a message file through a scratch file and one rename.
#include "common/AtomicFile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/MessageFileName.h"
#include "common/SafeText.h"
#include "platform/Files.h"
#include "platform/Ownership.h"

namespace {

// The GUID digits of a fresh message file name make the scratch name unique, so two
// runs rewriting the same message never write into each other's scratch file.
constexpr size_t kGuidDigits = 32;

int ScratchPath(const char* path, char* destination, size_t capacity) {
    char unique[64];
    NewMessageFileName(unique, sizeof unique);
    unique[kGuidDigits] = '\0';
    return FormatBounded(destination, capacity, "%s%s%s", path, kScratchFileMarker, unique);
}

// The bytes reach the disk before the rename makes them the message: otherwise a power
// loss right after the rename can leave the message's name on an empty file.
int WriteWholeFile(const char* path, const char* bytes, size_t length) {
    platform::OwnedFile file(path, platform::FileMode::kWriteBinary);
    if (!file) return 0;
    int written = length == 0 ? 1 : platform::FileWrite(file.Get(), bytes, length);
    written &= platform::FileSync(file.Get());
    // The close reports a write that the buffer held back and then failed (disk full).
    written &= file.Close();
    return written;
}

// The directory part of a path ("." for a bare name).
std::string DirectoryOf(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    const char* other = std::strrchr(path, '/');
    if (other != nullptr && (slash == nullptr || other > slash)) slash = other;
    return slash == nullptr ? std::string(".")
                            : std::string(path, static_cast<size_t>(slash - path));
}

// "<name>.tmp-<32 hexadecimal digits>", as ScratchPath makes them, and nothing else.
bool IsScratchName(const std::string& name) {
    const size_t marker = name.rfind(kScratchFileMarker);
    if (marker == std::string::npos || marker == 0) return false;
    const size_t digits = marker + std::strlen(kScratchFileMarker);
    if (name.size() - digits != kGuidDigits) return false;
    return name.find_first_not_of("0123456789ABCDEFabcdef", digits) == std::string::npos;
}

}  // namespace

int ReplaceFileAtomically(const char* path, const char* bytes, size_t length) {
    if (path == nullptr || (bytes == nullptr && length > 0)) return 0;
    char scratch[2048];
    if (!ScratchPath(path, scratch, sizeof scratch)) return 0;
    if (WriteWholeFile(scratch, bytes, length) && platform::FileMove(scratch, path, 1)) {
        // The rename is done and cannot be taken back; a directory that cannot be synced
        // only leaves it to the system to write the new entry when it gets round to it.
        (void)platform::DirectorySync(DirectoryOf(path).c_str());
        return 1;
    }
    platform::FileDelete(scratch);
    return 0;
}

int RemoveStaleScratchFiles(const char* directory, int64_t olderThanUtcSeconds) {
    std::vector<std::string> names;
    if (directory == nullptr || !platform::DirectoryList(directory, 0, &names)) return 0;
    int removed = 0;
    for (const std::string& name : names) {
        if (!IsScratchName(name)) continue;
        const std::string path = std::string(directory) + "\\" + name;
        const int64_t modified = platform::FileModifiedUtcSeconds(path.c_str());
        if (modified < 0 || modified >= olderThanUtcSeconds) continue;
        removed += platform::FileDelete(path.c_str());
    }
    if (removed > 0) (void)platform::DirectorySync(directory);
    return removed;
}
