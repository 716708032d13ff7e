// tests/platform/EventLogTest.cpp: event sources, debugger output and error texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/EventLog.h"

namespace {

TEST(EventLog, ReportingWithoutADaemonReturns) {
    platform::EventSource source = platform::RegisterEventSource("MtaFilterTest");
    ASSERT_NE(source, nullptr);
    const char* strings[] = {"first", nullptr, "second"};
    for (int i = 0; i < 100; ++i)
        platform::ReportEvent(source, platform::kEventError, 0, 1, strings, 3);
    platform::DeregisterEventSource(source);
}

TEST(DebugOutput, GoesToStandardErrorAsItIs) {
    testing::internal::CaptureStderr();
    platform::OutputDebugString("no line end");
    platform::OutputDebugString(" then one\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "no line end then one\n");
}

TEST(ErrorText, IsTheSystemTextCutToTheCapacity) {
    char whole[256];
    platform::ErrorCodeText(ENOENT, whole, sizeof whole);
    EXPECT_STREQ(whole, strerror(ENOENT));
    char cut[6];  // exactly sized: AddressSanitizer sees any write past it
    platform::ErrorCodeText(ENOENT, cut, sizeof cut);
    EXPECT_EQ(std::string(cut), std::string(whole).substr(0, 5));
}

}  // namespace
