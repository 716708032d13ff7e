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

struct ZoneCase {
    const char* name;
    const char* zone;
    int64_t moment;
    platform::LocalTime expected;
};

class LocalTimeTest : public ::testing::TestWithParam<ZoneCase> {
protected:
    ~LocalTimeTest() override {
        platform::SetEnvironmentValue("TZ", nullptr);
        platform::RefreshTimeZone();
    }
};

TEST_P(LocalTimeTest, BrokenDownWithZoneOffset) {
    // Wine's C runtime reads the zone and its offset from TZ but never its daylight-saving
    // part, which the Windows C runtime applies.
    if (GetParam().expected.isDaylightSaving && testing_support::RunningUnderWine())
        GTEST_SKIP() << "Wine ignores the daylight-saving part of TZ";
    platform::SetEnvironmentValue("TZ", GetParam().zone);
    platform::RefreshTimeZone();
    platform::LocalTime got = platform::ToLocalTime(GetParam().moment);
    const platform::LocalTime& want = GetParam().expected;
    EXPECT_EQ(
        std::vector<int>({got.year, got.month, got.day, got.hour, got.minute, got.weekday}),
        std::vector<int>({want.year, want.month, want.day, want.hour, want.minute, want.weekday}));
    EXPECT_EQ(got.utcOffsetMinutes, want.utcOffsetMinutes);
    EXPECT_EQ(got.isDaylightSaving, want.isDaylightSaving);
}

constexpr const char* kEastern = "EST5EDT,M3.2.0,M11.1.0";

const ZoneCase kZoneCases[] = {
    {"EasternSummer", kEastern, kJuly2026Noon, {2026, 7, 3, 8, 0, 0, 5, -240, 1}},
    {"EasternWinter", kEastern, kJanuary2026Noon, {2026, 1, 8, 7, 0, 0, 4, -300, 0}},
    {"HalfHourEastCrossingDay", "XYZ-13:30", kJuly2026Noon, {2026, 7, 4, 1, 30, 0, 6, 810, 0}},
};

INSTANTIATE_TEST_SUITE_P(Zones, LocalTimeTest, ::testing::ValuesIn(kZoneCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
