// tests/actions/MessageDateTest.cpp: the date text of generated messages in several
// time zones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "actions/Notifications.h"
#include "platform/Clock.h"
#include "platform/Console.h"

namespace {

class MessageDateTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::SetFixedClockForTesting(-1);
        if (previous_.empty()) {
            platform::SetEnvironmentValue("TZ", nullptr);
        } else {
            platform::SetEnvironmentValue("TZ", previous_.c_str());
        }
        platform::RefreshTimeZone();
    }
    std::string DateIn(const char* zone, int64_t utcSeconds) {
        platform::SetEnvironmentValue("TZ", zone);
        platform::RefreshTimeZone();
        platform::SetFixedClockForTesting(utcSeconds);
        std::unique_ptr<char[]> text(FormatMessageDate());
        return text != nullptr ? text.get() : "(null)";
    }

private:
    std::string previous_ = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
};

TEST_F(MessageDateTest, EnglishNamesAndTheOffsetOfTheZone) {
    // 2026-01-05 08:04:09 UTC, a Monday in winter; 2026-07-04 23:30:00 UTC, a Saturday.
    struct Case {
        const char* zone;
        int64_t when;
        const char* want;
    };
    const Case kCases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1783207800, "Sun, 5 Jul 2026 01:30:00 +0200"},
        {"EST5EDT,M3.2.0,M11.1.0", 1767600249, "Mon, 5 Jan 2026 03:04:09 -0500"},
        {"IST-5:30", 1767600249, "Mon, 5 Jan 2026 13:34:09 +0530"},
        {"NST3:30", 1767600249, "Mon, 5 Jan 2026 04:34:09 -0330"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.zone);
        EXPECT_EQ(c.want, DateIn(c.zone, c.when));
    }
}

TEST_F(MessageDateTest, DayOfMonthHasNoLeadingZeroButTimeFieldsDo) {
    EXPECT_EQ("Thu, 1 Jan 1970 00:00:00 +0000", DateIn("UTC0", 0));
    EXPECT_EQ("Thu, 31 Dec 2026 23:59:59 +0000", DateIn("UTC0", 1798761599));
}

}  // namespace
