// tests/platform/ProcessTest.cpp: command-line splitting by the Windows C runtime's
// rules, and programs run with a time limit.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Process.h"
#include "tests/fixtures/TempTree.h"

namespace {

using platform::ProcessOutcome;
using testing_support::TempTree;

const std::string kHelper = std::string(MTAFILTER_TEST_BIN_DIR) + "/PlatformHelperProgram";
constexpr uint32_t kGenerousMs = 20000;

TEST(SplitCommandLine, SplitsAsTheCRuntime) {
    using Strings = std::vector<std::string>;
    const std::pair<const char*, Strings> cases[] = {
        {"a\"b c\"d \t e", {"ab cd", "e"}},
        {"a \"\" b", {"a", "", "b"}},
        {"c:\\dir\\file a\\\\b", {"c:\\dir\\file", "a\\\\b"}},
        {"a\\\\\"b c\"", {"a\\b c"}},  // even backslashes halve, the quote delimits
        {"a\\\"b c", {"a\"b", "c"}},   // odd ones give a literal quote
        {"\"a\"\"b c\"", {"a\"b c"}},  // doubled quote inside quotes is literal
        {"a\"\"b", {"ab"}},
    };
    for (const auto& [commandLine, arguments] : cases)
        EXPECT_EQ(platform::SplitCommandLine(commandLine), arguments) << commandLine;
}

ProcessOutcome RunHelper(const std::string& arguments, uint32_t* exitCode,
                         uint32_t timeoutMs = kGenerousMs) {
    std::string commandLine = kHelper + " " + arguments;
    return platform::RunProcess(commandLine.c_str(), nullptr, timeoutMs, exitCode);
}

TEST(RunProcess, PassesArgumentsSplitAsOnWindowsAndTheExitCodeBackOrSaysNotStarted) {
    uint32_t exitCode = 0;
    EXPECT_EQ(RunHelper("exit 42", &exitCode), ProcessOutcome::kExited);
    EXPECT_EQ(exitCode, 42u);
    testing::internal::CaptureStdout();
    ProcessOutcome outcome = RunHelper("print-args \"two words\" a\\\"b \"\"", &exitCode);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "two words\na\"b\n\n");
    EXPECT_EQ(outcome, ProcessOutcome::kExited);
    for (const char* commandLine :
         {"", "no-such-program-mtafilter-test arg", "C:\\missing\\program.exe", "/etc/hostname"}) {
        exitCode = 99;
        EXPECT_EQ(platform::RunProcess(commandLine, nullptr, kGenerousMs, &exitCode),
                  ProcessOutcome::kNotStarted)
            << commandLine;
        EXPECT_EQ(exitCode, 99u);
    }
}

// The program's own child must go too, or it would outlive the time limit.
TEST(RunProcess, TimeoutKillsWhatTheProgramStarted) {
    TempTree tree;
    uint32_t exitCode = 0;
    EXPECT_EQ(RunHelper("fork-sleeper " + tree.Join("child"), &exitCode, 1000),
              ProcessOutcome::kTimedOut);
    std::string text = tree.ReadFile("child");
    ASSERT_FALSE(text.empty());
    const pid_t child = std::stoi(text);
    bool gone = false;
    for (int waited = 0; waited < 20000 && !gone; waited += 20) {
        std::ifstream stat("/proc/" + text + "/stat");
        std::string pid, command, state;
        gone = !(stat >> pid >> command >> state) || state == "Z";
        if (!gone) usleep(20 * 1000);
    }
    if (!gone) kill(child, SIGKILL);
    EXPECT_TRUE(gone);
}

}  // namespace
