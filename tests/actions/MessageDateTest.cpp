// tests/actions/MessageDateTest.cpp: the date text of generated messages in several
// time zones.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions/Notifications.h"
#include "platform/Clock.h"
#include "platform/Console.h"

namespace {

// English names, no leading zero on the day, the zone's offset with its sign and
// half hours, summer time applied.
TEST(MessageDate, EnglishNamesAndTheOffsetOfTheZone) {
    struct Case {
        const char* zone;
        int64_t when;
        const char* want;
    } const cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1783207800, "Sun, 5 Jul 2026 01:30:00 +0200"},
        {"NST3:30", 1767600249, "Mon, 5 Jan 2026 04:34:09 -0330"},
        {"UTC0", 0, "Thu, 1 Jan 1970 00:00:00 +0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        platform::SetEnvironmentValue("TZ", c.zone);
        platform::RefreshTimeZone();
        platform::SetFixedClockForTesting(c.when);
        std::unique_ptr<char[]> text(FormatMessageDate());
        EXPECT_STREQ(c.want, text.get());
    }
    platform::SetFixedClockForTesting(-1);
}

}  // namespace
