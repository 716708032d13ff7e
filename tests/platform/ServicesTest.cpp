// tests/platform/ServicesTest.cpp: the small system services: local time in a given zone,
// the event log, error texts and host-name resolution (debugger output is the report
// log's mode 3, pinned in ReportLogTest). (GUIDs name every
// TempTree: a repeated one fails the tests that make two.)
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/EventLog.h"
#include "platform/Network.h"
#include "tests/fixtures/Wine.h"

namespace {

TEST(LocalTime, BrokenDownWithZoneOffset) {
    constexpr int64_t kJuly2026Noon = 1783080000;     // 2026-07-03 12:00:00 UTC, a Friday
    constexpr int64_t kJanuary2026Noon = 1767873600;  // 2026-01-08 12:00:00 UTC, a Thursday
    const struct {
        const char* zone;
        int64_t moment;
        std::vector<int> want;  // year, month, day, hour, minute, weekday, offset, DST
    } cases[] = {
        {"EST5EDT,M3.2.0,M11.1.0", kJuly2026Noon, {2026, 7, 3, 8, 0, 5, -240, 1}},
        {"EST5EDT,M3.2.0,M11.1.0", kJanuary2026Noon, {2026, 1, 8, 7, 0, 4, -300, 0}},
        {"XYZ-13:30", kJuly2026Noon, {2026, 7, 4, 1, 30, 6, 810, 0}},  // crosses the day
    };
    for (const auto& c : cases) {
        // Wine's C runtime reads the zone and its offset from TZ but never its daylight-saving
        // part, which the Windows C runtime applies.
        if (c.want.back() && testing_support::RunningUnderWine()) continue;
        platform::SetEnvironmentValue("TZ", c.zone);
        platform::RefreshTimeZone();
        const platform::LocalTime t = platform::ToLocalTime(c.moment);
        EXPECT_EQ(c.want, std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.weekday,
                                            t.utcOffsetMinutes, t.isDaylightSaving}))
            << c.zone;
    }
    platform::SetEnvironmentValue("TZ", nullptr);
    platform::RefreshTimeZone();
}

TEST(EventLog, ReportsWithoutADaemonAndErrorTextsAreCutToTheirCapacity) {
    platform::EventSource source = platform::RegisterEventSource("MtaFilterTest");
    ASSERT_NE(source, nullptr);
    const char* strings[] = {"first", nullptr, "second"};
    for (int i = 0; i < 100; ++i)
        platform::ReportEvent(source, platform::kEventError, 0, 1, strings, 3);
    platform::DeregisterEventSource(source);
    // An error's text is the system's, cut to the capacity.
    char whole[256];
    platform::ErrorCodeText(ENOENT, whole, sizeof whole);
#ifdef _WIN32
    // The system's text for ERROR_FILE_NOT_FOUND, the same number as ENOENT (worded one
    // way by Windows, another by Wine).
    EXPECT_NE(std::string(whole).find("ound"), std::string::npos) << whole;
#else
    EXPECT_STREQ(whole, strerror(ENOENT));
#endif
    char cut[6];  // exactly sized: AddressSanitizer sees any write past it
    platform::ErrorCodeText(ENOENT, cut, sizeof cut);
    EXPECT_EQ(std::string(cut), std::string(whole).substr(0, 5));
}

TEST(ResolveHostName, DottedAddressLocalhostAndAnInvalidName) {
    char address[16];
    ASSERT_EQ(platform::ResolveHostName("127.0.0.1", address, sizeof address), 1);
    EXPECT_STREQ(address, "127.0.0.1");
    EXPECT_EQ(platform::ResolveHostName("127.0.0.1", address, 9), 0);  // needs 10
    ASSERT_EQ(platform::ResolveHostName("localhost", address, sizeof address), 1);
    EXPECT_EQ(std::string(address).rfind("127.", 0), 0u) << address;
    EXPECT_EQ(platform::ResolveHostName("no-such-host.invalid", address, sizeof address), 0);
}

}  // namespace
