// platform/FileStampCompare.cpp: whether a file can be trusted unchanged from its stamps.
#include <algorithm>

#include "platform/FileStamp.h"

namespace platform {
namespace {

// Well past the timestamp granularity of the file system that stamped the file: one that
// keeps fractions of a second ticks in milliseconds at most; one that keeps whole seconds
// may keep even ones only.
constexpr int64_t kFineSettledNs = 100'000'000;
constexpr int64_t kCoarseSettledNs = 2'000'000'000;
constexpr int64_t kSecondNs = 1'000'000'000;

}  // namespace

bool FileUnchangedSince(const FileStamp& before, int64_t readNs, const FileStamp& now) {
    const bool same = before.device == now.device && before.inode == now.inode &&
                      before.size == now.size && before.modifiedNs == now.modifiedNs &&
                      before.changedNs == now.changedNs;
    const bool coarse = before.modifiedNs % kSecondNs == 0 && before.changedNs % kSecondNs == 0;
    const int64_t settled = coarse ? kCoarseSettledNs : kFineSettledNs;
    return same && readNs - std::max(before.modifiedNs, before.changedNs) > settled;
}

}  // namespace platform
