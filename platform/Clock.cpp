// platform/Clock.cpp: the wall clock (fixable by tests), local time and the time zone.
#include "platform/Clock.h"

#include <atomic>
#include <ctime>

namespace platform {
namespace {

constexpr int64_t kRunning = -1;

std::atomic<int64_t> fixedUtcSeconds{kRunning};

#ifdef _WIN32
// The Windows C runtime's broken-down time has no zone offset: it is the local time read
// as if it were UTC, less the moment itself.
int UtcOffsetMinutes(const std::tm& parts, std::time_t moment) {
    std::tm copy = parts;
    return static_cast<int>((_mkgmtime(&copy) - moment) / 60);
}

bool BreakDown(std::time_t moment, std::tm* parts) {
    return localtime_s(parts, &moment) == 0;
}
#else
int UtcOffsetMinutes(const std::tm& parts, std::time_t /*moment*/) {
    return static_cast<int>(parts.tm_gmtoff / 60);
}

bool BreakDown(std::time_t moment, std::tm* parts) {
    return localtime_r(&moment, parts) != nullptr;
}
#endif

LocalTime FromTm(const std::tm& parts, std::time_t moment) {
    return LocalTime{parts.tm_year + 1900,
                     parts.tm_mon + 1,
                     parts.tm_mday,
                     parts.tm_hour,
                     parts.tm_min,
                     parts.tm_sec,
                     parts.tm_wday,
                     UtcOffsetMinutes(parts, moment),
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
    if (!BreakDown(moment, &parts)) return LocalTime{1970, 1, 1, 0, 0, 0, 4, 0, 0};
    return FromTm(parts, moment);
}

LocalTime NowLocal() {
    return ToLocalTime(NowUtcSeconds());
}

void RefreshTimeZone() {
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

void SetFixedClockForTesting(int64_t utcSeconds) {
    fixedUtcSeconds.store(utcSeconds < 0 ? kRunning : utcSeconds, std::memory_order_release);
}

}  // namespace platform
