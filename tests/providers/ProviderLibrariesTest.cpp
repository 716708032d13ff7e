// tests/providers/ProviderLibrariesTest.cpp: what loading makes of each scanner for its
// switches and the entry points its library exports, what it calls at load and unload,
// the inspection that predicts the same without calling anything, and the training
// command that reaches the Bayesian provider.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "base/Settings.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "providers/ProviderLibraries.h"
#include "providers/ProviderOverview.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/ScopedEnvironment.h"

namespace {

using namespace testing_support;

enum Scanner { kDkimScanner, kBayesianScanner, kSpamAssassinScanner, kAntivirusScanner };

uint32_t StatusOf(Scanner scanner) {
    const PluginSettings& settings = Settings();
    switch (scanner) {
        case kDkimScanner:
            return settings.domainKeysStatus;
        case kBayesianScanner:
            return settings.bayesianFilteringStatus;
        case kSpamAssassinScanner:
            return settings.spamAssassinStatus;
        case kAntivirusScanner:
            return settings.antivirusStatus;
    }
    return 99;
}

// "<library>|<entry>|" lines, one for each entry called, in order.
std::string Calls(const char* library, std::initializer_list<const char*> entries) {
    std::string calls;
    for (const char* entry : entries)
        calls += std::string(library) + TEST_LIBRARY_SUFFIX "|" + entry + "|\n";
    return calls;
}

// What loading makes of each scanner, what the console tells of it, and what it calls at
// load and unload.
TEST(ProviderLibraries, StatusFollowsSwitchesAndEntriesAndInspectionPredictsIt) {
    struct Case {
        const char* name;
        Scanner scanner;
        const char* variant;  // the stand-in installed; null: none
        uint32_t switchValue;
        uint32_t loadMode;  // Bayesian only
        uint32_t wantStatus;
        ScannerState wantState;
        std::string wantCalls;
        const char* wantConsole = "";
    };
    const char* const kBayesianLoading =
        "Bayesian Filter Loading Library..\nBayesian Filter - Loading Dictionary..\n";
    const Case kCases[] = {
        {"DKIM with QP_ names", kDkimScanner, "Full", 1, 0, 1, ScannerState::kReady,
         Calls("QPDomainKeys", {"QP_Initialize", "QP_CleanUp"})},
        {"DKIM with plain names", kDkimScanner, "Plain", 1, 0, 1, ScannerState::kReady,
         Calls("QPDomainKeys", {"Initialize", "CleanUp"}),
         "Domain Keys Loading Library..\nDomain Keys - Loading Complete.\n"},
        {"DKIM missing", kDkimScanner, nullptr, 1, 0, 3, ScannerState::kFailed, "",
         "Domain Keys Loading Library..\nDomain Keys - Loading Failed.\n"},
        {"DKIM without Execute", kDkimScanner, "NoExecute", 1, 0, 3, ScannerState::kFailed,
         Calls("QPDomainKeys", {"QP_CleanUp"})},
        {"Bayesian load mode 1", kBayesianScanner, "Full", 1, 1, 1, ScannerState::kReady,
         Calls("QPFLTMBF", {"QP_Initialize", "QP_CleanUp"})},
        {"Bayesian without clean-up", kBayesianScanner, "Partial", 1, 1, 3, ScannerState::kFailed,
         "", "Bayesian Filter - Loading Dictionary..\nBayesian Filter - Loading Failed.\n"},
        {"Bayesian without Execute, load mode 0", kBayesianScanner, "NoExecute", 1, 0, 1,
         ScannerState::kUnavailable, Calls("QPFLTMBF", {"QP_CleanUp"}), kBayesianLoading},
        {"Bayesian without Execute, load mode 1", kBayesianScanner, "NoExecute", 1, 1, 3,
         ScannerState::kFailed, Calls("QPFLTMBF", {"QP_CleanUp"})},
        {"Bayesian missing", kBayesianScanner, nullptr, 1, 1, 1, ScannerState::kUnavailable, "",
         "Bayesian Filter - Unable to locate Filter Provider.\n"},
        {"Bayesian switch 2", kBayesianScanner, "Full", 2, 0, 2, ScannerState::kUnavailable,
         Calls("QPFLTMBF", {"QP_CleanUp"})},
        {"SpamAssassin switch 2", kSpamAssassinScanner, "Full", 2, 0, 0, ScannerState::kOff, ""},
        {"SpamAssassin with plain names only", kSpamAssassinScanner, "Plain", 1, 0, 3,
         ScannerState::kFailed, "", "SA Filter Loading Library..\nSA Filter - Loading Failed.\n"},
        {"SpamAssassin missing", kSpamAssassinScanner, nullptr, 1, 0, 1, ScannerState::kUnavailable,
         "", "SA Filter - Unable to locate Filter Provider.\n"},
        {"antivirus without ProviderExecute", kAntivirusScanner, "Plain", 1, 0, 1,
         ScannerState::kUnavailable, ""},
    };
    const char* const kFiles[] = {"QPDomainKeys" TEST_LIBRARY_SUFFIX,
                                  "QPFLTMBF" TEST_LIBRARY_SUFFIX, "QPFLTMSA" TEST_LIBRARY_SUFFIX,
                                  "QPAVGEN" TEST_LIBRARY_SUFFIX};
    const char* const kSwitches[] = {"Domain Keys Status", "Bayesian Filtering Status",
                                     "SpamAssassin Enabled", "Antivirus Status"};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PluginTree server;
        if (c.variant != nullptr) server.InstallProvider(c.variant, kFiles[c.scanner]);
        server.registry.SetDword(c.scanner == kDkimScanner ? kSmtpKey : kPluginKey,
                                 kSwitches[c.scanner], c.switchValue);
        server.registry.SetDword(kPluginKey, "Bayesian Filtering Load Mode", c.loadMode);
        ForgetFirstUseSettings();

        ResetSettings();
        ReadStoreSettings();
        ReadScannerSwitches();
        ReadAntivirusStatus();
        const ScannerOverviewList inspected = InspectScanners();
        EXPECT_EQ("", server.StubCalls());  // inspecting calls nothing

        const std::string console = LoadPlugin();
        EXPECT_NE(std::string::npos, console.find(c.wantConsole)) << console;
        EXPECT_EQ(c.wantStatus, StatusOf(c.scanner));
        const ScannerOverviewList loaded = LoadedScanners();
        EXPECT_EQ(ScannerStateName(c.wantState),
                  std::string(ScannerStateName(loaded[c.scanner].state)));
        for (int scanner = 0; scanner < kScannerCount; ++scanner)
            EXPECT_EQ(loaded[scanner].state, inspected[scanner].state) << loaded[scanner].name;
        UnloadPlugin();
        EXPECT_EQ(c.wantCalls, server.StubCalls());
    }
}

// A provider that faults while starting and throws while stopping costs the host nothing:
// loading and unloading go on, and the report names each call.
TEST(ProviderLibraries, AFaultInInitializeOrCleanUpIsReportedAndLoadingGoesOn) {
    PluginTree server;
    server.InstallProvider("Full", "QPFLTMSA" TEST_LIBRARY_SUFFIX);
    server.registry.SetDword(kPluginKey, "SpamAssassin Enabled", 1);
    server.SetLogMode(2);  // standard output, which the test reads on every system
    ScopedEnvironment crash("STUB_PROVIDER_CRASH", "Initialize");
    ScopedEnvironment raise("STUB_PROVIDER_THROW", "CleanUp");
    ForgetFirstUseSettings();
    std::string report = LoadPlugin();
    EXPECT_EQ(1u, StatusOf(kSpamAssassinScanner));
    report += UnloadPlugin();
    EXPECT_NE(std::string::npos, report.find("Initialize raised an exception.")) << report;
    EXPECT_NE(std::string::npos, report.find("CleanUp handled an exception")) << report;
}

class FilterCommandTest : public ::testing::Test {
protected:
    void Load(const char* variant) {
        server.InstallProvider(variant, "QPFLTMBF" TEST_LIBRARY_SUFFIX);
        server.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
        LoadPlugin();
    }
    void TearDown() override { UnloadPlugin(); }

    PluginTree server;
};

TEST_F(FilterCommandTest, PassesTheCommandUnchangedAndReturnsTheEntrysResult) {
    Load("Full");
    ScopedEnvironment returned("STUB_PROVIDER_RETURN", "5");
    ScopedEnvironment preset("STUB_PROVIDER_LOG_PRESET", "1");
    EXPECT_EQ(5, FilterCommand(0, 0, "<TRAIN>spam</TRAIN><FILENAME>a b</FILENAME>"));
    EXPECT_EQ("QPFLTMBF" TEST_LIBRARY_SUFFIX
              "|QP_Execute|<TRAIN>spam</TRAIN><FILENAME>a b</FILENAME>|0\n",
              server.StubCalls());
}

TEST_F(FilterCommandTest, LibraryWithoutExecuteAnswersZeroAndSaysSo) {
    server.SetLogMode(2);
    Load("NoExecute");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, FilterCommand(0, 0, "<TRAIN>ham</TRAIN>"));
    EXPECT_NE(std::string::npos,
              ::testing::internal::GetCapturedStdout().find(
                  "Bayesian AutoTraining is being called, but the system could not find a "
                  "reference to BayesianExecute.\n"));
    EXPECT_EQ("", server.StubCalls());
}

}  // namespace
