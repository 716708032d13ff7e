// tests/platform/ClockTest.cpp: the fixable clock and local time in a given zone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Console.h"
#include "tests/fixtures/Wine.h"

namespace {

constexpr int64_t kJuly2026Noon = 1783080000;     // 2026-07-03 12:00:00 UTC, a Friday
constexpr int64_t kJanuary2026Noon = 1767873600;  // 2026-01-08 12:00:00 UTC, a Thursday

constexpr const char* kEastern = "EST5EDT,M3.2.0,M11.1.0";

TEST(LocalTime, BrokenDownWithZoneOffset) {
    const struct {
        const char* zone;
        int64_t moment;
        platform::LocalTime expected;
    } cases[] = {
        {kEastern, kJuly2026Noon, {2026, 7, 3, 8, 0, 0, 5, -240, 1}},
        {kEastern, kJanuary2026Noon, {2026, 1, 8, 7, 0, 0, 4, -300, 0}},
        {"XYZ-13:30", kJuly2026Noon, {2026, 7, 4, 1, 30, 0, 6, 810, 0}},  // crosses the day
    };
    for (const auto& c : cases) {
        // Wine's C runtime reads the zone and its offset from TZ but never its daylight-saving
        // part, which the Windows C runtime applies.
        if (c.expected.isDaylightSaving && testing_support::RunningUnderWine()) continue;
        platform::SetEnvironmentValue("TZ", c.zone);
        platform::RefreshTimeZone();
        const platform::LocalTime got = platform::ToLocalTime(c.moment);
        const platform::LocalTime& want = c.expected;
        EXPECT_EQ(
            std::vector<int>({got.year, got.month, got.day, got.hour, got.minute, got.weekday}),
            std::vector<int>(
                {want.year, want.month, want.day, want.hour, want.minute, want.weekday}))
            << c.zone;
        EXPECT_EQ(got.utcOffsetMinutes, want.utcOffsetMinutes) << c.zone;
        EXPECT_EQ(got.isDaylightSaving, want.isDaylightSaving) << c.zone;
    }
    platform::SetEnvironmentValue("TZ", nullptr);
    platform::RefreshTimeZone();
}

}  // namespace
