// tests/frame/ExportsTest.cpp: the exported calls' answers and the reload gate.
#include <gtest/gtest.h>

#include <string>

#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "frame/ReloadGate.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

class ExportsTest : public ::testing::Test {
protected:
    void TearDown() override { TeardownPlugin(); }

    PluginTree server;
};

TEST_F(ExportsTest, MessagesThatCannotBeFilteredAnswerOneAndBadNamesAreReported) {
    server.SetLogMode(1);
    LoadPlugin();
    EXPECT_EQ(1, FilterExecute(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(1, FilterExecute("", "../../x", "SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "M1.MAI", "..\\SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "a\r\nb", "SMTP", 0));
    EXPECT_EQ(0, RunsInFlight());
    const std::string report = server.ReportFile();
    EXPECT_NE(std::string::npos,
              report.find("message identifier \"../../x\" is not a plain file name"));
    EXPECT_NE(std::string::npos, report.find("connector name \"..\\SMTP\" is not"));
    EXPECT_NE(std::string::npos, report.find("message identifier \"a??b\" is not"));
    EXPECT_NE(std::string::npos, report.find("Check the program that queues messages"));
}

TEST_F(ExportsTest, GateGivesUpAfterItsWaitsAndLogs) {
    server.SetLogMode(2);
    LoadPlugin();
    SetReloadInProgress(1);
    ::testing::internal::CaptureStdout();
    PassReloadGate(1);
    std::string out = ::testing::internal::GetCapturedStdout();
    SetReloadInProgress(0);
    EXPECT_NE(std::string::npos,
              out.find(" Filters are taking too long to reload and filter executing. This may "
                       "cause filter instability.\n"));
    ::testing::internal::CaptureStdout();
    PassReloadGate(1);
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
}

}  // namespace
