// tests/platform/GuardedCallTest.cpp: faults inside a guarded call come back as
// exceptions; faults anywhere else still end the process.
#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/GuardedCall.h"

namespace {

// Opaque to the optimiser: the stores below are real invalid accesses.
int* volatile nowhere = nullptr;

// Uninstrumented: a sanitizer would stop at the null pointer before the fault.
__attribute__((no_sanitize("address", "undefined", "thread"))) int Fault() {
    *nowhere = 1;
    return 1;
}

int FaultSignalOf(int (*work)()) {
    try {
        platform::GuardedCall(work);
    } catch (const platform::OutsideFault& fault) {
        return fault.SignalNumber();
    }
    return 0;
}

TEST(GuardedCall, AFaultComesBackEveryTimeAndExceptionsAndNestedGuardsKeepTheirOwn) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SIGSEGV, FaultSignalOf(Fault));
    EXPECT_EQ(7, platform::GuardedCall([] { return 7; }));
    EXPECT_THROW(platform::GuardedCall([]() -> int { throw std::runtime_error("inside"); }),
                 std::runtime_error);
    EXPECT_EQ(SIGSEGV, FaultSignalOf(Fault));  // and the guard is whole afterwards
    // A fault inside a nested call reaches the inner guard only.
    const int outer = platform::GuardedCall([] { return FaultSignalOf(Fault) + 1; });
    EXPECT_EQ(SIGSEGV + 1, outer);
}

TEST(GuardedCall, ThreadsFaultingAtOnceEachGetTheirOwn) {
    std::vector<std::thread> threads;
    std::vector<int> caught(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&caught, t] {
            for (int i = 0; i < 200; ++i)
                if (FaultSignalOf(Fault) == SIGSEGV) ++caught[t];
        });
    for (auto& thread : threads) thread.join();
    for (int count : caught) EXPECT_EQ(200, count);
}

TEST(GuardedCallDeathTest, AFaultOutsideAnyGuardedCallStillEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            FaultSignalOf(Fault);
            Fault();
        },
        "");
}

}  // namespace
