// tests/frame/ProviderFaultTest.cpp: outside libraries whose every call throws or
// crashes, over many messages: each run ends early, the host goes on, and nothing the
// run held is left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/Settings.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "frame/ReloadGate.h"
#include "platform/ProcessUsage.h"
#include "providers/DnsProvider.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/ScopedEnvironment.h"
#include "tests/fixtures/Wine.h"

namespace {

using namespace testing_support;

constexpr int kSpamProbabilityLines = 12;  // the criterion's type is its line number
constexpr int kWarmUpMessages = 500;
constexpr int kMessages = 10000;
// Allocator and stdio caches settle within the warm-up; a leak of even a few bytes a
// message shows over this many messages, one handle or descriptor a message at once.
constexpr int64_t kAllowedGrowthKb = 2048;
// AddressSanitizer holds freed memory back (its quarantine), so resident memory grows
// there whatever the code does; its leak check at exit stands in for this one.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryTells = false;
#else
constexpr bool kResidentMemoryTells = true;
#endif

// Wine (8.0) answers GetProcessHandleCount with 0 whatever is open. Under it the test
// counts the host descriptors that Wine keeps behind file and socket handles instead,
// through the drive Z: that shows the host's root. Wine caches those and lets a few go
// late, so a handful either way is noise there; a leak of one a message is thousands.
constexpr int64_t kWineDescriptorNoise = 64;

int64_t WineDescriptors() {
    int64_t count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("Z:/proc/self/fd", error)) {
        (void)entry;
        ++count;
    }
    return count;
}

platform::ProcessUsage UsageNow() {
    platform::ProcessUsage usage{-1, -1};
    EXPECT_EQ(1, platform::ProcessUsageNow(&usage));
    if (RunningUnderWine()) usage.openHandles = WineDescriptors();
    return usage;
}

const std::string kBayesianLibrary = LibraryFileName("QPFLTMBF");

class ProviderFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetFirstUseSettings();
        server.tree.WriteFile("config/FILTERS/FILTER.TAB", "Rule\t1\tF\t\tFaulty\r\n");
        server.tree.WriteFile("config/FILTERS/ACTIONS/F.TAB",
                              "1\t\t\tCOPY_TO_QUARANTINE\tkeep\r\n");
    }
    void Criterion(const std::string& line) {
        server.tree.WriteFile("config/FILTERS/CRITERIA/F.TAB", line);
    }
    void UseBayesian() {
        server.InstallProvider("Full", kBayesianLibrary);
        server.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
        server.registry.SetDword(kPluginKey, "Bayesian Filtering Load Mode", 1);
        Criterion(std::string(kSpamProbabilityLines, '\n') + "1\t\t90\t\t\t1\r\n");
        server.QueueMessage("SMTP", "M1.MAI", "Sender=[SMTP:alice@example.net]\r\n",
                            "Subject: offer\r\n\r\nBuy now.\r\n");
    }
    void UseDns() {
        server.InstallProvider("Full", LibraryFileName("QPWINDNS"));
        server.registry.SetDword(kPluginKey, "Perform SBLRBL", 1);
        server.registry.SetDword(kPluginKey, "URI SBL Max Checks", 10);
        Criterion("1\t\tnever there\t\t\t1\r\n");
        server.QueueMessage("SMTP", "M1.MAI", "Sender=[SMTP:alice@example.net]\r\n",
                            "Subject: offer\r\n\r\nSee http://192.0.2.9/ now.\r\n");
    }

    // Filters the message many times over; what the runs left open behind them is
    // measured after a warm-up, so that caches that fill once do not count.
    void RunMessages() {
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        for (int i = 0; i < kWarmUpMessages; ++i) FilterExecute("", "M1.MAI", "SMTP", 0);
        const platform::ProcessUsage before = UsageNow();
        for (int i = 0; i < kMessages; ++i) FilterExecute("", "M1.MAI", "SMTP", 0);
        const platform::ProcessUsage after = UsageNow();
        handleGrowth = after.openHandles - before.openHandles;
        residentGrowthKb = after.residentKb - before.residentKb;
        TeardownPlugin();
        UnloadDnsProviderForTesting();  // the unload leaves it loaded, as the MTA expects
        ::testing::internal::GetCapturedStdout();
        if (!kResidentMemoryTells) residentGrowthKb = 0;
    }

    // Many messages with the provider faulting as `variable` tells it; every run ends
    // early and nothing it held is left behind.
    void RunUnderFault(const char* variable, const char* value) {
        SCOPED_TRACE(variable);
        ScopedEnvironment faulty(variable, value);
        RunMessages();
        if (RunningUnderWine()) {
            EXPECT_LT(handleGrowth, kWineDescriptorNoise);
        } else {
            EXPECT_EQ(0, handleGrowth);
        }
        EXPECT_LT(residentGrowthKb, kAllowedGrowthKb);
        EXPECT_EQ(0, RunsInFlight());
        EXPECT_EQ(0, ReloadInProgress());
    }

    PluginTree server;
    ScopedEnvironment quiet{"STUB_PROVIDER_LOG", ""};  // no call log of 10,000 lines
    int64_t handleGrowth = -1;
    int64_t residentGrowthKb = -1;
};

// A throw or an invalid memory access inside a provider (the DNS one is asked while the
// message file is open, from the body scan) is contained: the run ends, the message goes
// on unfiltered, the host lives on.
TEST_F(ProviderFaultTest, AScanningProviderThatThrowsOrCrashesLeavesNothingBehind) {
    UseBayesian();
    RunUnderFault("STUB_PROVIDER_THROW", "1");
    RunUnderFault("STUB_PROVIDER_CRASH", "1");
}

TEST_F(ProviderFaultTest, ADnsProviderThatThrowsOrCrashesInTheBodyScanLeavesNothingBehind) {
    UseDns();
    RunUnderFault("STUB_DNS_THROWING_HOSTS", "192.0.2.9");
    RunUnderFault("STUB_DNS_CRASHING_HOSTS", "192.0.2.9");
}

TEST_F(ProviderFaultTest, ACrashIsReportedNamingTheCall) {
    UseBayesian();
    server.SetLogMode(2);  // standard output, which the test reads on every system
    ScopedEnvironment faulty("STUB_PROVIDER_CRASH", "1");
    ::testing::internal::CaptureStdout();
    InitializePlugin();
    EXPECT_EQ(1, FilterExecute("", "M1.MAI", "SMTP", 0));
    TeardownPlugin();
    const std::string report = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos,
              report.find("BayesianExecute raised an exception.\n"
                          "The exception occurred in : providers/ScannerCriteria, line "))
        << report;
}

}  // namespace
