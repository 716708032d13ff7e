// tests/platform/OwnershipTest.cpp: owners release what they hold when an exception
// passes through their scope.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/Ownership.h"
#include "tests/fixtures/TempTree.h"

namespace {

using namespace platform;

int OpenDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

TEST(Ownership, AFileIsClosedWhenAnExceptionLeavesItsScope) {
#ifdef _WIN32
    GTEST_SKIP() << "open files are counted in /proc/self/fd, which only Linux has";
#endif
    testing_support::TempTree tree;
    tree.WriteFile("f", "x");
    const int before = OpenDescriptors();
    try {
        OwnedFile file(tree.Join("f").c_str(), FileMode::kReadBinary);
        ASSERT_TRUE(file);
        throw std::runtime_error("outside library");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(before, OpenDescriptors());
    OwnedFile missing(tree.Join("missing").c_str(), FileMode::kReadBinary);
    EXPECT_FALSE(missing);
    EXPECT_EQ(1, missing.Close());  // nothing to close reports nothing lost
}

TEST(Ownership, AMutexIsReleasedWhenAnExceptionLeavesItsScope) {
    const OwnedHandle mutex(CreateUnnamedMutex());
    ASSERT_TRUE(mutex);
    try {
        const MutexOwnership owned(mutex.Get(), kInfinite);
        ASSERT_TRUE(owned.Owns());
        throw std::runtime_error("reload failed");
    } catch (const std::runtime_error&) {
    }
    WaitResult elsewhere = WaitResult::kFailed;
    std::thread other([&] {
        elsewhere = WaitForObject(mutex.Get(), 0);
        if (elsewhere == WaitResult::kSignaled) ReleaseMutex(mutex.Get());
    });
    other.join();
    EXPECT_EQ(WaitResult::kSignaled, elsewhere);
}

TEST(Ownership, ComApartmentsNestAndBalance) {
    {
        const ComApartment outer;
        EXPECT_TRUE(outer.Started());
        const ComApartment inner;
        EXPECT_TRUE(inner.Started());
        const ComApartment notAsked(false);
        EXPECT_FALSE(notAsked.Started());
    }
    // Balanced: the thread is back to not started, so the next start is the first.
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
}

}  // namespace
