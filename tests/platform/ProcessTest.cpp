// tests/platform/ProcessTest.cpp: command-line splitting by the Windows C runtime's
// rules, programs run with a time limit, and named mutexes excluding other processes
// (played by the helper program) and the threads of this one.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <unistd.h>
#endif

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Process.h"
#include "platform/Sync.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/TempTree.h"

namespace {

using platform::ProcessOutcome;
using platform::WaitResult;
using testing_support::TempTree;

const std::string kHelper = testing_support::HelperProgramPath("PlatformHelperProgram");
constexpr uint32_t kGenerousMs = 20000;  // only reached when something is broken
constexpr uint32_t kShortWaitMs = 200;

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
    TempTree tree;
    EXPECT_EQ(
        RunHelper("print-args " + tree.Join("args") + " \"two words\" a\\\"b \"\"", &exitCode),
        ProcessOutcome::kExited);
    EXPECT_EQ(tree.ReadFile("args"), "two words\na\"b\n\n");
    for (const char* commandLine :
         {"", "no-such-program-mtafilter-test arg", "C:\\missing\\program.exe", "/etc/hostname"}) {
        exitCode = 99;
        EXPECT_EQ(platform::RunProcess(commandLine, nullptr, kGenerousMs, &exitCode),
                  ProcessOutcome::kNotStarted)
            << commandLine;
        EXPECT_EQ(exitCode, 99u);
    }
}

#ifndef _WIN32
// The program's own child must go too, or it would outlive the time limit. The child is
// forked, and its end read from /proc: on Windows the job object the program runs in
// stands for the process group, and ends its children by the system's own rule.
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
#endif

// A name no other test run uses, with the separator Windows names often carry.
std::string UniqueName(const char* purpose) {
    return std::string("Local\\MtaFilterTest-") + purpose + "-" +
           std::to_string(std::random_device{}());
}

// The helper program in the background; killed when the test lets it go.
class Helper {
public:
    explicit Helper(const std::string& arguments)
        : process_(platform::StartProcess((kHelper + " " + arguments).c_str(), nullptr)) {
        EXPECT_NE(process_, nullptr);
    }
    ~Helper() { EXPECT_EQ(1, platform::KillProcess(process_)) << "it ended by itself"; }

private:
    platform::StartedProcess* process_;
};

// 0 when another process could take the mutex at once, 1 when it could not.
int TryInOtherProcess(const std::string& name) {
    uint32_t exitCode = 99;
    EXPECT_EQ(RunHelper("try-mutex " + name, &exitCode), ProcessOutcome::kExited);
    return static_cast<int>(exitCode);
}

TEST(NamedMutex, OwnerDyingReleasesItAsAbandoned) {
    TempTree tree;
    const std::string name = UniqueName("abandon");
    const std::string ready = tree.Join("ready");
    auto holder = std::make_unique<Helper>("hold-mutex " + name + " " + ready);
    for (int i = 0; i < 2000 && !tree.Exists("ready"); ++i) platform::SleepMs(10);
    ASSERT_TRUE(tree.Exists("ready"));
    platform::Handle mutex = platform::CreateNamedMutex(name.c_str());
    EXPECT_EQ(platform::WaitForObject(mutex, kShortWaitMs), WaitResult::kTimeout);
    holder.reset();
    EXPECT_EQ(platform::WaitForObject(mutex, kGenerousMs), WaitResult::kAbandoned);
    EXPECT_EQ(platform::ReleaseMutex(mutex), 1);
    platform::CloseHandle(mutex);
}

// The other process, the name's last user when it closes, removes the lock file while
// this handle still has it open: taking the mutex must not rely on the removed file.
TEST(NamedMutex, HeldHereExcludesOtherProcessUntilClosed) {
    const std::string name = UniqueName("held");
    platform::Handle mutex = platform::CreateNamedMutex(name.c_str());
    EXPECT_EQ(TryInOtherProcess(name), 0);
    ASSERT_EQ(platform::WaitForObject(mutex, 0), WaitResult::kSignaled);
    ASSERT_EQ(platform::WaitForObject(mutex, 0), WaitResult::kSignaled);
    platform::ReleaseMutex(mutex);
    EXPECT_EQ(TryInOtherProcess(name), 1);
    platform::CloseHandle(mutex);
    EXPECT_EQ(TryInOtherProcess(name), 0);
}

TEST(NamedMutex, ExcludesThreadsThroughSeparateHandles) {
    const std::string name = UniqueName("threads");
    platform::Handle first = platform::CreateNamedMutex(name.c_str());
    platform::Handle second = platform::CreateNamedMutex(name.c_str());
    ASSERT_EQ(platform::WaitForObject(first, 0), WaitResult::kSignaled);
    WaitResult whileHeld = WaitResult::kFailed, afterRelease = WaitResult::kFailed;
    std::thread([&] { whileHeld = platform::WaitForObject(second, kShortWaitMs); }).join();
    platform::ReleaseMutex(first);
    std::thread([&] {
        afterRelease = platform::WaitForObject(second, kGenerousMs);
        platform::ReleaseMutex(second);
    }).join();
    EXPECT_EQ(whileHeld, WaitResult::kTimeout);
    EXPECT_EQ(afterRelease, WaitResult::kSignaled);
    platform::CloseHandle(first);
    platform::CloseHandle(second);
}

}  // namespace
