// platform/Clock.cpp: the wall clock (fixable by tests), local time and the time zone.
#include "platform/Clock.h"

#include <atomic>
#include <ctime>

namespace platform {
namespace {

constexpr int64_t kRunning = -1;

std::atomic<int64_t> fixedUtcSeconds{kRunning};

LocalTime FromTm(const std::tm& parts) {
    return LocalTime{parts.tm_year + 1900,
                     parts.tm_mon + 1,
                     parts.tm_mday,
                     parts.tm_hour,
                     parts.tm_min,
                     parts.tm_sec,
                     parts.tm_wday,
                     static_cast<int>(parts.tm_gmtoff / 60),
                     parts.tm_isdst > 0 ? 1 : 0};
}

}  // namespace

int64_t NowUtcSeconds() {
    int64_t fixed = fixedUtcSeconds.load(std::memory_order_acquire);
    return fixed >= 0 ? fixed : static_cast<int64_t>(std::time(nullptr));
}

LocalTime ToLocalTime(int64_t utcSeconds) {
    std::time_t moment = static_cast<std::time_t>(utcSeconds);
    std::tm parts{};
    // A moment the C library cannot break down gets the epoch rather than garbage.
    if (localtime_r(&moment, &parts) == nullptr) return LocalTime{1970, 1, 1, 0, 0, 0, 4, 0, 0};
    return FromTm(parts);
}

LocalTime NowLocal() {
    return ToLocalTime(NowUtcSeconds());
}

void RefreshTimeZone() {
    tzset();
}

void SetFixedClockForTesting(int64_t utcSeconds) {
    fixedUtcSeconds.store(utcSeconds < 0 ? kRunning : utcSeconds, std::memory_order_release);
}

}  // namespace platform
