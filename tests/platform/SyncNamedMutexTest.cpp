// tests/platform/SyncNamedMutexTest.cpp: named mutexes excluding other processes (played
// by the helper program) and the threads of this one.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sync.h"
#include "tests/fixtures/TempTree.h"

extern char** environ;

namespace {

using platform::WaitResult;

const std::string kHelper = std::string(MTAFILTER_TEST_BIN_DIR) + "/PlatformHelperProgram";
constexpr uint32_t kLongWaitMs = 20000;  // only reached when something is broken
constexpr uint32_t kShortWaitMs = 200;

// A name no other test run uses, with the separator Windows names often carry.
std::string UniqueName(const char* purpose) {
    return std::string("MtaFilterTest\\") + purpose + "-" + std::to_string(getpid());
}

// The helper program in the background; killed at the end of the test if still running.
class Helper {
public:
    explicit Helper(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), kHelper);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, kHelper.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    }
    ~Helper() {
        if (pid_ > 0) kill(pid_, SIGKILL);
        if (pid_ > 0) Wait();
    }
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
};

// 0 when another process could take the mutex at once, 1 when it could not.
int TryInOtherProcess(const std::string& name) {
    return Helper({"try-mutex", name}).Wait();
}

TEST(NamedMutex, OwnerDyingReleasesItAsAbandoned) {
    testing_support::TempTree tree;
    const std::string name = UniqueName("abandon");
    const std::string ready = tree.Join("ready");
    auto holder = std::make_unique<Helper>(std::vector<std::string>{"hold-mutex", name, ready});
    for (int i = 0; i < 2000 && !tree.Exists("ready"); ++i) platform::SleepMs(10);
    ASSERT_TRUE(tree.Exists("ready"));
    platform::Handle mutex = platform::CreateNamedMutex(name.c_str());
    EXPECT_EQ(platform::WaitForObject(mutex, kShortWaitMs), WaitResult::kTimeout);
    holder.reset();
    EXPECT_EQ(platform::WaitForObject(mutex, kLongWaitMs), WaitResult::kAbandoned);
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
        afterRelease = platform::WaitForObject(second, kLongWaitMs);
        platform::ReleaseMutex(second);
    }).join();
    EXPECT_EQ(whileHeld, WaitResult::kTimeout);
    EXPECT_EQ(afterRelease, WaitResult::kSignaled);
    platform::CloseHandle(first);
    platform::CloseHandle(second);
}

}  // namespace
