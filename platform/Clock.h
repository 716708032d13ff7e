// platform/Clock.h: wall-clock time, local time and the time zone.
//
// The clock can be fixed by tests (and by nothing else) so that day changes and
// dates in generated messages can be checked exactly.
#pragma once

#include <cstdint>

namespace platform {

// A moment in local time, with the zone information that applied to it.
struct LocalTime {
    int year;              // e.g. 2026
    int month;             // 1..12
    int day;               // 1..31
    int hour;              // 0..23
    int minute;            // 0..59
    int second;            // 0..60
    int weekday;           // 0 = Sunday .. 6
    int utcOffsetMinutes;  // local time minus UTC, in minutes (east positive)
    int isDaylightSaving;  // 1 while daylight-saving time is in force
};

// Seconds since 1970-01-01 00:00 UTC (the fixed time when one is set).
int64_t NowUtcSeconds();

// The local time of a moment, in the time zone now in force.
LocalTime ToLocalTime(int64_t utcSeconds);

// The local time now.
LocalTime NowLocal();

// Re-reads the time-zone information from the environment (TZ), as _tzset does.
void RefreshTimeZone();

// Fixes the clock at `utcSeconds` for this process; a negative value lets it run again.
void SetFixedClockForTesting(int64_t utcSeconds);

}  // namespace platform
