// tests/platform/SyncTest.cpp: process-local mutexes and auto-reset events, and the
// owners that release files, mutexes and COM apartments when an exception passes.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/Ownership.h"
#include "platform/Sync.h"
#include "tests/fixtures/TempTree.h"

namespace {

using namespace platform;

constexpr uint32_t kLongWaitMs = 20000;  // only reached when something is broken
constexpr uint32_t kShortWaitMs = 50;

template <class Work>
auto InOtherThread(Work work) {
    decltype(work()) result{};
    std::thread([&] { result = work(); }).join();
    return result;
}

TEST(UnnamedMutex, RecursiveForItsOwnerOnlyAndLetGoByItsOwnershipOnAnException) {
    const OwnedHandle owned(CreateUnnamedMutex());
    const Handle mutex = owned.Get();
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::kSignaled);
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::kSignaled);
    EXPECT_EQ(ReleaseMutex(mutex), 1);
    EXPECT_EQ(InOtherThread([&] { return WaitForObject(mutex, kShortWaitMs); }),
              WaitResult::kTimeout);
    EXPECT_EQ(InOtherThread([&] { return ReleaseMutex(mutex); }), 0);
    EXPECT_EQ(ReleaseMutex(mutex), 1);
    EXPECT_EQ(ReleaseMutex(mutex), 0);
    try {
        const MutexOwnership ownership(mutex, kInfinite);
        ASSERT_TRUE(ownership.Owns());
        throw std::runtime_error("reload failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(InOtherThread([&] {
                  const WaitResult result = WaitForObject(mutex, 0);
                  if (result == WaitResult::kSignaled) ReleaseMutex(mutex);
                  return result;
              }),
              WaitResult::kSignaled);
}

TEST(AutoResetEvent, EachSignalReleasesOneWaiter) {
    Handle event = CreateAutoResetEvent(1);
    EXPECT_EQ(WaitForObject(event, 0), WaitResult::kSignaled);
    EXPECT_EQ(WaitForObject(event, 0), WaitResult::kTimeout);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (WaitForObject(event, kLongWaitMs) == WaitResult::kSignaled) ++released;
        });
    SetEvent(event);
    for (int i = 0; i < 400 && released.load() == 0; ++i) SleepMs(kShortWaitMs);
    SleepMs(kShortWaitMs);
    EXPECT_EQ(released.load(), 1);
    SetEvent(event);
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 2);
    CloseHandle(event);
}

TEST(Ownership, AFileIsClosedWhenAnExceptionLeavesItsScope) {
#ifdef _WIN32
    GTEST_SKIP() << "open files are counted in /proc/self/fd, which only Linux has";
#endif
    auto openFiles = [] {
        auto fds = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    };
    testing_support::TempTree tree;
    tree.WriteFile("f", "x");
    const auto before = openFiles();
    try {
        OwnedFile file(tree.Join("f").c_str(), FileMode::kReadBinary);
        ASSERT_TRUE(file);
        throw std::runtime_error("outside library");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(before, openFiles());
    OwnedFile missing(tree.Join("missing").c_str(), FileMode::kReadBinary);
    EXPECT_FALSE(missing);
    EXPECT_EQ(1, missing.Close());  // nothing to close reports nothing lost
}

TEST(Ownership, ComApartmentsNestAndBalance) {
    {
        const ComApartment outer;
        EXPECT_TRUE(outer.Started());
        const ComApartment inner;
        EXPECT_TRUE(inner.Started());
        EXPECT_FALSE(ComApartment(false).Started());
    }
    // Balanced: the thread is back to not started, so the next start is the first.
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
}

}  // namespace
