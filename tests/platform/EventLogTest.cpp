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
#ifdef _WIN32
    GTEST_SKIP() << "Windows sends debugger output to a debugger, not to standard error";
#endif
    testing::internal::CaptureStderr();
    platform::OutputDebugString("no line end");
    platform::OutputDebugString(" then one\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "no line end then one\n");
}

TEST(ErrorText, IsTheSystemTextCutToTheCapacity) {
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

}  // namespace
