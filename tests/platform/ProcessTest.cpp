// tests/platform/ProcessTest.cpp: command-line splitting by the Windows C runtime's
// rules, and programs run with a time limit.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "tests/fixtures/TempTree.h"

namespace {

using platform::ProcessOutcome;
using testing_support::TempTree;

const std::string kHelper = std::string(MTAFILTER_TEST_BIN_DIR) + "/PlatformHelperProgram";
constexpr uint32_t kGenerousMs = 20000;

struct SplitCase {
    const char* name;
    const char* commandLine;
    std::vector<std::string> arguments;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsAsTheCRuntime) {
    EXPECT_EQ(platform::SplitCommandLine(GetParam().commandLine), GetParam().arguments);
}

const SplitCase kSplitCases[] = {
    {"QuotedGroupMidArgumentAndBlanksAndTabs", "a\"b c\"d \t e", {"ab cd", "e"}},
    {"EmptyQuotesGiveEmptyArgument", "a \"\" b", {"a", "", "b"}},
    {"BackslashesAloneAreLiteral", "c:\\dir\\file a\\\\b", {"c:\\dir\\file", "a\\\\b"}},
    {"EvenBackslashesBeforeQuoteHalveAndQuoteDelimits", "a\\\\\"b c\"", {"a\\b c"}},
    {"OddBackslashesBeforeQuoteGiveLiteralQuote", "a\\\"b c", {"a\"b", "c"}},
    {"ThreeBackslashesBeforeQuote", "a\\\\\\\"b", {"a\\\"b"}},
    {"QuotedPathEndingInDoubledBackslash", "\"c:\\dir\\\\\" x", {"c:\\dir\\", "x"}},
    {"DoubledQuoteInsideQuotesIsLiteralAndStaysQuoted", "\"a\"\"b c\"", {"a\"b c"}},
    {"DoubledQuoteOutsideQuotesIsEmptyGroup", "a\"\"b", {"ab"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SplitCommandLineTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

ProcessOutcome RunHelper(const std::string& arguments, uint32_t* exitCode,
                         uint32_t timeoutMs = kGenerousMs) {
    std::string commandLine = kHelper + " " + arguments;
    return platform::RunProcess(commandLine.c_str(), nullptr, timeoutMs, exitCode);
}

TEST(RunProcess, PassesTheExitCodeBack) {
    uint32_t exitCode = 0;
    EXPECT_EQ(RunHelper("exit 42", &exitCode), ProcessOutcome::kExited);
    EXPECT_EQ(exitCode, 42u);
}

TEST(RunProcess, PassesArgumentsSplitAsOnWindows) {
    uint32_t exitCode = 99;
    testing::internal::CaptureStdout();
    ProcessOutcome outcome = RunHelper("print-args \"two words\" a\\\"b \"\"", &exitCode);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "two words\na\"b\n\n");
    EXPECT_EQ(outcome, ProcessOutcome::kExited);
}

TEST(RunProcess, OverrunningProgramIsKilled) {
    uint32_t exitCode = 99;
    EXPECT_EQ(RunHelper("sleep 60000", &exitCode, 500), ProcessOutcome::kTimedOut);
}

bool GoneWithin(pid_t pid, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, command, state;
        if (!(stat >> pidField >> command >> state) || state == "Z") return true;
        usleep(20 * 1000);
    }
    return false;
}

TEST(RunProcess, TimeoutKillsWhatTheProgramStarted) {
    TempTree tree;
    uint32_t exitCode = 0;
    EXPECT_EQ(RunHelper("fork-sleeper " + tree.Join("child"), &exitCode, 1000),
              ProcessOutcome::kTimedOut);
    std::string text = tree.ReadFile("child");
    ASSERT_FALSE(text.empty());
    pid_t child = std::stoi(text);
    bool gone = GoneWithin(child, kGenerousMs);
    if (!gone) kill(child, SIGKILL);
    EXPECT_TRUE(gone);
}

class NotStartedTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NotStartedTest, ReportsNotStarted) {
    uint32_t exitCode = 99;
    EXPECT_EQ(platform::RunProcess(GetParam(), nullptr, kGenerousMs, &exitCode),
              ProcessOutcome::kNotStarted);
    EXPECT_EQ(exitCode, 99u);
}

INSTANTIATE_TEST_SUITE_P(Cases, NotStartedTest,
                         ::testing::Values("", "no-such-program-mtafilter-test arg",
                                           "C:\\missing\\program.exe", "/etc/hostname"));

}  // namespace
