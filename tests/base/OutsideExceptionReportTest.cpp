// tests/base/OutsideExceptionReportTest.cpp: the COM error form of an outside
// library's exception report.
#include <gtest/gtest.h>

#include "base/OutsideExceptionReport.h"
#include "platform/ComError.h"
#include "tests/fixtures/PluginTree.h"

namespace {

TEST(OutsideExceptionReport, ComErrorNamesCodeSourceAndDescription) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows sends debugger output to a debugger, not to standard error";
#endif
    testing_support::PluginTree server;
    server.SetLogMode(3);  // the debugger channel carries the text alone
    ::testing::internal::CaptureStderr();
    try {
        throw platform::ComError(static_cast<platform::HRESULT>(0x80004005), "Resolver",
                                 "lookup failed");
    } catch (...) {
        ReportOutsideException(std::current_exception(), "HasORBDBEntry", "SMTP/DNSQuery", 104);
    }
    EXPECT_EQ(
        "HasORBDBEntry handled a COM error.\n"
        "Code = 0x80004005\n"
        "Code meaning = Unspecified error\n"
        "Source = Resolver\n"
        "Error Description = lookup failed\n",
        ::testing::internal::GetCapturedStderr());
}

}  // namespace
