// tests/providers/DnsProviderTest.cpp: the DNS provider's hooks, lookups and the reports
// of exceptions raised inside it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "frame/Lifecycle.h"
#include "providers/DnsProvider.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

class DnsProviderTest : public ::testing::Test {
protected:
    void SetUp() override { server.InstallProvider("Full", "QPWINDNS" TEST_LIBRARY_SUFFIX); }
    void TearDown() override {
        TeardownPlugin();
        UnloadDnsProviderForTesting();
    }

    PluginTree server;
};

TEST_F(DnsProviderTest, LoadHandsOverHooksAndServerListAndHonoursTheLogLevel) {
    server.registry.SetString(kSmtpKey, "Local DNS Server List", "192.0.2.53,198.51.100.53");
    server.SetLogMode(1);
    LoadPlugin();
    EXPECT_EQ("QPWINDNS" TEST_LIBRARY_SUFFIX
              "|SetLoggingFunction|name\n"
              "QPWINDNS" TEST_LIBRARY_SUFFIX "|DNSInitialize|192.0.2.53,198.51.100.53\n",
              server.StubCalls());
    std::string report = server.ReportFile();
    EXPECT_NE(std::string::npos, report.find("\tdns provider: level 3\r\n"));
    EXPECT_EQ(std::string::npos, report.find("level 9"));
}

TEST_F(DnsProviderTest, ExceptionsAreReportedAndPassedOn) {
    server.SetLogMode(2);
    LoadPlugin();
    char work[1024] = {};
    char list[256] = {};
    EXPECT_EQ(1, DnsHasORBDBEntry("listed.example", "192.0.2.1", work, list));
    EXPECT_STREQ("test.list", list);

    ::testing::internal::CaptureStdout();
    EXPECT_THROW(DnsHasORBDBEntry("throw-standard", "", work, list), std::runtime_error);
    EXPECT_NE(std::string::npos,
              ::testing::internal::GetCapturedStdout().find(
                  " HasORBDBEntry handled an exception; session will be dropped.\n"
                  "The exception was: resolver exploded\n"
                  "The exception occurred in : SMTP/DNSQuery, line 104\n"));

    ::testing::internal::CaptureStdout();
    EXPECT_ANY_THROW(DnsHasORBDBEntry("throw-other", "", work, list));
    EXPECT_NE(std::string::npos, ::testing::internal::GetCapturedStdout().find(
                                     " HasORBDBEntry raised an exception.\n"
                                     "The exception occurred in : SMTP/DNSQuery, line 104\n"));
}

}  // namespace
