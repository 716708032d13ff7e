// tests/platform/SyncTest.cpp: process-local mutexes and auto-reset events.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Sync.h"

namespace {

using platform::WaitResult;

constexpr uint32_t kLongWaitMs = 20000;  // only reached when something is broken
constexpr uint32_t kShortWaitMs = 50;

template <class Work>
auto InOtherThread(Work work) {
    decltype(work()) result{};
    std::thread([&] { result = work(); }).join();
    return result;
}

TEST(UnnamedMutex, RecursiveForItsOwnerOnly) {
    platform::Handle mutex = platform::CreateUnnamedMutex();
    EXPECT_EQ(platform::WaitForObject(mutex, 0), WaitResult::kSignaled);
    EXPECT_EQ(platform::WaitForObject(mutex, 0), WaitResult::kSignaled);
    EXPECT_EQ(platform::ReleaseMutex(mutex), 1);
    EXPECT_EQ(InOtherThread([&] { return platform::WaitForObject(mutex, kShortWaitMs); }),
              WaitResult::kTimeout);
    EXPECT_EQ(InOtherThread([&] { return platform::ReleaseMutex(mutex); }), 0);
    EXPECT_EQ(platform::ReleaseMutex(mutex), 1);
    EXPECT_EQ(platform::ReleaseMutex(mutex), 0);
    platform::CloseHandle(mutex);
}

TEST(AutoResetEvent, EachSignalReleasesOneWaiter) {
    platform::Handle event = platform::CreateAutoResetEvent(1);
    EXPECT_EQ(platform::WaitForObject(event, 0), WaitResult::kSignaled);
    EXPECT_EQ(platform::WaitForObject(event, 0), WaitResult::kTimeout);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            if (platform::WaitForObject(event, kLongWaitMs) == WaitResult::kSignaled) ++released;
        });
    }
    platform::SetEvent(event);
    for (int i = 0; i < 400 && released.load() == 0; ++i) platform::SleepMs(kShortWaitMs);
    platform::SleepMs(kShortWaitMs);
    EXPECT_EQ(released.load(), 1);
    platform::SetEvent(event);
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 2);
    platform::CloseHandle(event);
}

}  // namespace
