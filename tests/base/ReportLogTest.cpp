// tests/base/ReportLogTest.cpp: the report log's channels, file life and day change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/ReportLog.h"
#include "base/Settings.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::kPluginKey;
using testing_support::ScopedRegistry;
using testing_support::TempTree;

// Sat, 5 Dec 2026 23:59:59 UTC; the tests make UTC the local zone.
constexpr int64_t kLateEvening = 1796515199;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

class ReportLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetEnvironmentValue("TZ", "UTC");
        platform::RefreshTimeZone();
        platform::SetFixedClockForTesting(kLateEvening);
        registry.SetString(kPluginKey, "Activity Log Directory", tree.Join("logs"));
        tree.WriteFile("logs/.keep", "");
        ResetSettings();
        ReadActivityLogDirectory();
        ASSERT_EQ(1, CreateReportLogLock());
    }
    void TearDown() override {
        CloseReportLog();
        CloseReportLogLock();
        platform::SetFixedClockForTesting(-1);
    }
    void SetMode(uint32_t mode) { registry.SetDword(kPluginKey, "Activity Log Enabled", mode); }
    std::string Today() const { return tree.ReadFile("logs/MTAFILTER-Report-261205.log"); }
    std::string Tomorrow() const { return tree.ReadFile("logs/MTAFILTER-Report-261206.log"); }

    TempTree tree;
    ScopedRegistry registry{tree};
};

constexpr const char* kHeader =
    "Time\tAction\tMessageID\tConnector\tFilter\tResult\tAccount\tSender\tIPAddress\tData\tSubject"
    "\r\n";

TEST_F(ReportLogTest, FileModeWritesHeaderStartLinesAndEndInCrLfAndAppendsOnReopening) {
    SetMode(1);
    OpenReportLog();
    WriteReportLog("Reloading filters due to change.\n");
    CloseReportLog();
    EXPECT_EQ(std::string(kHeader) + "12/05/26 23:59:59\tStart\t-\t-\t-\t-\t-\t-\t-\t-\r\n" +
                  "12/05/26 23:59:59\tReloading filters due to change.\r\n" +
                  "12/05/26 23:59:59\tEnd\t-\t-\t-\t-\t-\t-\t-\t-\r\n",
              Today());
    const std::string first = Today();
    OpenReportLog();  // reopened the same day: appended under a second header
    CloseReportLog();
    EXPECT_EQ(first + kHeader + "12/05/26 23:59:59\tStart\t-\t-\t-\t-\t-\t-\t-\t-\r\n" +
                  "12/05/26 23:59:59\tEnd\t-\t-\t-\t-\t-\t-\t-\t-\r\n",
              Today());
}

TEST_F(ReportLogTest, LineAfterMidnightEndsOldFileAndStartsNewOne) {
    SetMode(1);
    OpenReportLog();
    WriteReportLog("before midnight\n");
    platform::SetFixedClockForTesting(kLateEvening + 2);  // 00:00:01 next day
    WriteReportLog("after midnight\n");

    std::vector<std::string> old = Lines(Today());
    ASSERT_GE(old.size(), 2u);
    // The line that found the day changed went to the old file, just before its End.
    EXPECT_EQ("12/06/26 00:00:01\tafter midnight\r", old[old.size() - 2]);
    EXPECT_EQ("12/06/26 00:00:01\tEnd\t-\t-\t-\t-\t-\t-\t-\t-\r", old.back());
    std::vector<std::string> fresh = Lines(Tomorrow());
    ASSERT_EQ(2u, fresh.size());
    EXPECT_EQ("12/06/26 00:00:01\tStart\t-\t-\t-\t-\t-\t-\t-\t-\r", fresh[1]);
    WriteReportLog("next line\n");
    EXPECT_EQ("12/06/26 00:00:01\tnext line\r", Lines(Tomorrow()).back());
}

TEST_F(ReportLogTest, ConsoleModesWriteTheirOwnShapeAndOtherModesNothing) {
    SetMode(2);
    ::testing::internal::CaptureStdout();
    WriteReportLog("hello\n");
    EXPECT_EQ("12/05/26 23:59:59 hello\n", ::testing::internal::GetCapturedStdout());
#ifndef _WIN32  // Windows sends debugger output to a debugger, not to standard error
    SetMode(3);
    ::testing::internal::CaptureStderr();
    WriteReportLog("to the debugger\n");
    EXPECT_EQ("to the debugger\n", ::testing::internal::GetCapturedStderr());
#endif
    SetMode(4);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    OpenReportLog();
    WriteReportLog("nothing\n");
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
    EXPECT_FALSE(tree.Exists("logs/MTAFILTER-Report-261205.log"));
}

TEST_F(ReportLogTest, SwitchingToFileModeLaterLosesOnlyTheFirstLine) {
    SetMode(0);
    OpenReportLog();
    SetMode(1);
    WriteReportLog("lost\n");
    WriteReportLog("kept\n");
    std::string text = Today();
    EXPECT_EQ(std::string::npos, text.find("lost"));
    EXPECT_NE(std::string::npos, text.find("\tkept\r\n"));
}

TEST_F(ReportLogTest, ConcurrentWritersLoseAndInterleaveNothing) {
    SetMode(1);
    OpenReportLog();
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 1250;  // 10,000 lines in all
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLinesEach; ++i) {
                std::string line = "writer " + std::to_string(t) + " line " + std::to_string(i) +
                                   " " + std::string(40, static_cast<char>('a' + t)) + "\n";
                WriteReportLog(line.c_str());
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    CloseReportLog();

    std::set<std::string> seen;
    for (const std::string& line : Lines(Today())) {
        if (line.find("\twriter ") == std::string::npos) continue;
        std::istringstream fields(line.substr(line.find("\twriter ") + 1));
        std::string word, lineWord, padding;
        int t = -1, i = -1;
        fields >> word >> t >> lineWord >> i >> padding;
        ASSERT_EQ(std::string(40, static_cast<char>('a' + t)), padding) << line;
        ASSERT_EQ('\r', line.back()) << line;
        seen.insert(std::to_string(t) + ":" + std::to_string(i));
    }
    EXPECT_EQ(static_cast<size_t>(kThreads * kLinesEach), seen.size());
}

}  // namespace
