// tests/actions/FilterCommandTest.cpp: the administrator's program of EXECUTE_APPLICATION:
// its placeholders, its console lines, a program that cannot start and one that runs past
// the wait.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "actions/MessageRouting.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;

// Plays the administrator's program on every system: writes a file, sleeps.
const std::string kHelper = testing_support::HelperProgramPath("PlatformHelperProgram");

class FilterCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::snprintf(record->messageId, sizeof record->messageId, "M1.MAI");
        std::snprintf(record->connector, sizeof record->connector, "SMTP");
        platform::SetEnvironmentValue("TZ", "UTC0");
        platform::RefreshTimeZone();
        platform::SetFixedClockForTesting(1772546709);  // Tue, 3 Mar 2026 14:05:09 UTC
    }
    void TearDown() override {
        platform::SetFixedClockForTesting(-1);
        SetFilterCommandWaitForTesting(0);
    }
    std::string Expand(const std::string& command) {
        char expanded[2048];
        EXPECT_EQ(
            1, ExpandCommandPlaceholders(record.get(), command.c_str(), expanded, sizeof expanded));
        return expanded;
    }
    int Run(const std::string& program, const std::string& arguments, std::string* out) {
        ::testing::internal::CaptureStdout();
        int result = RunFilterCommand(record.get(), program.c_str(), arguments.c_str());
        *out = ::testing::internal::GetCapturedStdout();
        return result;
    }

    std::unique_ptr<MessageRecord> record = std::make_unique<MessageRecord>();
    TempTree tree;
};

// Placeholders are replaced wherever they occur, in their case only; one that would not
// fit stays while the others are replaced.
TEST_F(FilterCommandTest, PlaceholdersAreReplacedWhileTheyFit) {
    EXPECT_EQ("log M1.MAI SMTP M1.MAI [id]", Expand("log [ID] [CONNECTOR] [ID] [id]"));
    EXPECT_EQ("at Tue, 3 Mar 2026 14:05:09 +0000", Expand("at [TIME]"));
    std::snprintf(record->connector, sizeof record->connector, "%s", std::string(120, 'c').c_str());
    // 1,950 characters: "[ID]" still fits, "[CONNECTOR]" would take it past the limit.
    const std::string filler(1950 - 15, 'f');
    EXPECT_EQ(filler + "M1.MAI[CONNECTOR]", Expand(filler + "[ID][CONNECTOR]"));
}

TEST_F(FilterCommandTest, ProgramRunsWithTheExpandedCommandLine) {
    const std::string target = tree.Join("out.txt");
    std::string out;
    EXPECT_EQ(1, Run(kHelper, "write " + target + " [ID] [CONNECTOR]", &out));
    EXPECT_EQ("M1.MAI SMTP\n", tree.ReadFile("out.txt"));
}

TEST_F(FilterCommandTest, ProgramThatCannotStartIsReported) {
    std::string out;
    EXPECT_EQ(0, Run(tree.Join("missing-program"), "[ID]", &out));
    const std::string command = tree.Join("missing-program") + " M1.MAI";
    const std::string prefix = "Pickup Event CreateProcess failed Error:";
    const size_t at = out.find(prefix);
    ASSERT_NE(std::string::npos, at) << out;
    EXPECT_EQ(" (" + command + ")\n", out.substr(out.find(' ', at + prefix.size())));
}

TEST_F(FilterCommandTest, ProgramThatOutlivesTheWaitIsEndedAndStillCounts) {
    SetFilterCommandWaitForTesting(200);
    std::string out;
    EXPECT_EQ(1, Run(kHelper, "sleep 30000 write " + tree.Join("late.txt") + " late", &out));
    EXPECT_FALSE(tree.Exists("late.txt"));
}

}  // namespace
