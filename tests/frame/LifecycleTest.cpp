// tests/frame/LifecycleTest.cpp: what loading and unloading the plug-in sets up and
// releases, with stand-in provider libraries in the provider directory.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/Settings.h"
#include "common/RegistryAccess.h"
#include "frame/Lifecycle.h"
#include "providers/ProviderLibraries.h"
#include "providers/StoreLibrary.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/ScopedEnvironment.h"

namespace {

using namespace testing_support;

// The filter table is loaded before the providers, and this tree has none.
constexpr const char* kNoFilters = "Loaded 0 Filters\n";

class LifecycleTest : public ::testing::Test {
protected:
    // "SpamAssassin Enabled" is kept for the process once read; each test has its own.
    void SetUp() override { ForgetFirstUseSettings(); }

    // Runs the load sequence and returns its console output.
    std::string Initialise() {
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        return ::testing::internal::GetCapturedStdout();
    }
    std::string Teardown() {
        ::testing::internal::CaptureStdout();
        TeardownPlugin();
        return ::testing::internal::GetCapturedStdout();
    }
    void SetPlugin(const char* name, uint32_t value) {
        server.registry.SetDword(kPluginKey, name, value);
    }

    PluginTree server;
};

TEST_F(LifecycleTest, WithoutPluginKeyEverySettingTakesItsDefault) {
    server.InstallProvider("Full", "QPFLTMBF.so");
    server.InstallProvider("Full", "QPAVGEN.so");
    EXPECT_EQ("Loaded 0 Filters\n", Initialise());
    const PluginSettings& settings = Settings();
    EXPECT_EQ(5u, settings.debugLoggingLevel);
    EXPECT_EQ(1u, settings.scriptLiteralMode);
    EXPECT_EQ(0u, settings.uriSblMaxChecks);
    EXPECT_EQ(nullptr, Providers().bayesian.handle);
    EXPECT_EQ(nullptr, Providers().antivirus);
    EXPECT_EQ("", server.ReportFile());
    Teardown();
    EXPECT_EQ("", server.StubCalls());
}

TEST_F(LifecycleTest, LoadingRemovesScratchFilesThatInterruptedRewritesLeft) {
    server.SetLogMode(1);
    const std::string scratch = ".MAI.tmp-" + std::string(32, '0');
    const std::string stale[] = {"connectors/SMTP/Inbound/Messages/A" + scratch,
                                 "connectors/SMTP/Inbound/A" + scratch,
                                 "connectors/LOCAL/Outgoing/Messages/B" + scratch};
    const std::string kept[] = {"connectors/SMTP/Inbound/Messages/C" + scratch,  // too young
                                "connectors/SMTP/Inbound/Messages/A.MAI"};
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string& name : stale) {
        server.tree.WriteFile(name, "x");
        std::filesystem::last_write_time(server.tree.Join(name), longAgo);
    }
    for (const std::string& name : kept) server.tree.WriteFile(name, "x");
    std::filesystem::last_write_time(server.tree.Join(kept[1]), longAgo);
    Initialise();
    for (const std::string& name : stale) EXPECT_FALSE(server.tree.Exists(name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(server.tree.Exists(name)) << name;
    EXPECT_NE(std::string::npos, server.ReportFile().find("Removed 3 scratch files"));
    Teardown();
}

TEST_F(LifecycleTest, ARegistryThatCannotBeReadIsReportedNotTakenForAnEmptyOne) {
    server.tree.WriteFile("garbage.db", std::string(8192, 'x'));
    const std::string garbage = server.tree.Join("garbage.db");
    ScopedEnvironment unreadable("QP_REGISTRY", garbage);
    const std::string console = Initialise();
    EXPECT_NE(std::string::npos, console.find("The registry database " + garbage +
                                              " cannot be read (cannot read it as an SQLite"))
        << console;
    EXPECT_NE(std::string::npos, console.find("then restart the service.\n"));
    Teardown();
}

TEST_F(LifecycleTest, OverlongLogDirectoryCountsAsMissing) {
    server.registry.SetString(kPluginKey, "Activity Log Directory", std::string(512, 'd'));
    Initialise();
    EXPECT_STREQ("", Settings().activityLogDirectory);
    Teardown();
}

TEST_F(LifecycleTest, DwordStoredAsLongTextCountsAsMissing) {
    server.registry.SetString(kPluginKey, "Debug Logging Level", "seven");
    Initialise();
    EXPECT_EQ(5u, Settings().debugLoggingLevel);
    Teardown();
}

TEST_F(LifecycleTest, ProviderDirectoryIsApplicationDirectoryWith64) {
    Initialise();
    EXPECT_EQ(server.tree.Join("app") + "64", Settings().providerDirectory);
    Teardown();
}

TEST_F(LifecycleTest, BayesianWithLoadModeZeroIsLoadedButNotInitialised) {
    server.InstallProvider("Full", "QPFLTMBF.so");
    SetPlugin("Bayesian Filtering Status", 1);
    EXPECT_EQ(kNoFilters + std::string("Bayesian Filter Loading Library..\n"
                                       "Bayesian Filter - Loading Dictionary..\n"),
              Initialise());
    EXPECT_NE(nullptr, Providers().bayesian.handle);
    EXPECT_EQ(kProviderReady, Settings().bayesianFilteringStatus);
    EXPECT_EQ("", server.StubCalls());
    Teardown();
    EXPECT_EQ("QPFLTMBF.so|QP_CleanUp|\n", server.StubCalls());
}

TEST_F(LifecycleTest, BayesianStatusFollowsItsEntryPoints) {
    struct Case {
        const char* name;
        const char* variant;  // null: no library installed
        uint32_t wantStatus;
        const char* wantConsole;
    };
    const Case cases[] = {
        {"plain names are accepted", "Plain", kProviderReady,
         "Bayesian Filter Loading Library..\nBayesian Filter - Loading Dictionary..\n"
         "Bayesian Filter - Loading Complete.\n"},
        {"missing clean-up fails", "Partial", kProviderFailed,
         "Bayesian Filter Loading Library..\nBayesian Filter - Loading Dictionary..\n"
         "Bayesian Filter - Loading Failed.\n"},
        {"missing library keeps the switch", nullptr, 1,
         "Bayesian Filter - Unable to locate Filter Provider.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PluginTree fresh;
        if (c.variant != nullptr) fresh.InstallProvider(c.variant, "QPFLTMBF.so");
        fresh.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
        fresh.registry.SetDword(kPluginKey, "Bayesian Filtering Load Mode", 1);
        EXPECT_EQ(kNoFilters + std::string(c.wantConsole), Initialise());
        EXPECT_EQ(c.wantStatus, Settings().bayesianFilteringStatus);
        Teardown();
    }
}

TEST_F(LifecycleTest, SpamAssassinNeedsExactlyOneAndItsOwnEntryNames) {
    struct Case {
        const char* name;
        uint32_t enabled;
        const char* variant;
        uint32_t wantStatus;
        const char* wantConsole;
    };
    const Case cases[] = {
        {"two leaves it off", 2, "Full", 0, ""},
        {"plain names are refused", 1, "Plain", kProviderFailed,
         "SA Filter Loading Library..\nSA Filter - Loading Failed.\n"},
        {"all entries", 1, "Full", kProviderReady,
         "SA Filter Loading Library..\nSA Filter - Loading Complete.\n"},
        {"missing library stays on", 1, nullptr, 1,
         "SA Filter - Unable to locate Filter Provider.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PluginTree fresh;
        if (c.variant != nullptr) fresh.InstallProvider(c.variant, "QPFLTMSA.so");
        fresh.registry.SetDword(kPluginKey, "SpamAssassin Enabled", c.enabled);
        ForgetFirstUseSettings();
        EXPECT_EQ(kNoFilters + std::string(c.wantConsole), Initialise());
        EXPECT_EQ(c.wantStatus, Settings().spamAssassinStatus);
        Teardown();
    }
}

TEST_F(LifecycleTest, DkimAcceptsPlainEntryNamesAndIsInitialisedWithAnEmptyCommand) {
    server.InstallProvider("Plain", "QPDomainKeys.so");
    server.registry.SetDword(kSmtpKey, "Domain Keys Status", 1);
    EXPECT_EQ(kNoFilters + std::string("Domain Keys Loading Library..\n"
                                       "Domain Keys - Loading Complete.\n"),
              Initialise());
    EXPECT_EQ(kProviderReady, Settings().domainKeysStatus);
    EXPECT_EQ("QPDomainKeys.so|Initialize|\n", server.StubCalls());
    Teardown();
}

TEST_F(LifecycleTest, MissingDkimLibraryFails) {
    server.registry.SetDword(kSmtpKey, "Domain Keys Status", 1);
    EXPECT_EQ(kNoFilters + std::string("Domain Keys Loading Library..\n"
                                       "Domain Keys - Loading Failed.\n"),
              Initialise());
    EXPECT_EQ(kProviderFailed, Settings().domainKeysStatus);
    Teardown();
}

TEST_F(LifecycleTest, AntivirusBringsTheStoreLibraryAlong) {
    server.InstallProvider("Full", "QPAVGEN.so");
    server.InstallProvider("Full", "QPAISP.so");
    SetPlugin("Antivirus Status", 1);
    EXPECT_EQ(kNoFilters + std::string("Antivirus Loading Library..\n"), Initialise());
    EXPECT_NE(nullptr, Providers().antivirusExecute);
    EXPECT_NE(nullptr, StoreLibraryHandle());
    Teardown();
    EXPECT_EQ("QPAISP.so|StoreLibrary_Init|\nQPAISP.so|StoreLibrary_UnInit|\n", server.StubCalls());
    EXPECT_EQ(nullptr, StoreLibraryHandle());
}

TEST_F(LifecycleTest, WithoutAntivirusTheStoreLibraryIsNotLoaded) {
    server.InstallProvider("Full", "QPAISP.so");
    Initialise();
    EXPECT_EQ(nullptr, StoreLibraryHandle());
    Teardown();
    EXPECT_EQ("", server.StubCalls());
}

TEST_F(LifecycleTest, TeardownCleansUpInOrder) {
    for (const char* file : {"QPFLTMBF.so", "QPFLTMSA.so", "QPDomainKeys.so", "QPAVGEN.so"})
        server.InstallProvider("Full", file);
    server.InstallProvider("Full", "QPAISP.so");
    SetPlugin("Bayesian Filtering Status", 1);
    SetPlugin("Bayesian Filtering Load Mode", 1);
    SetPlugin("SpamAssassin Enabled", 1);
    SetPlugin("Antivirus Status", 1);
    server.registry.SetDword(kSmtpKey, "Domain Keys Status", 1);
    Initialise();
    Teardown();
    EXPECT_EQ(
        "QPDomainKeys.so|QP_Initialize|\n"
        "QPFLTMBF.so|QP_Initialize|\n"
        "QPFLTMSA.so|QP_Initialize|\n"
        "QPAISP.so|StoreLibrary_Init|\n"
        "QPFLTMBF.so|QP_CleanUp|\n"
        "QPDomainKeys.so|QP_CleanUp|\n"
        "QPFLTMSA.so|QP_CleanUp|\n"
        "QPAISP.so|StoreLibrary_UnInit|\n",
        server.StubCalls());
}

TEST_F(LifecycleTest, CountersAreSavedOnlyWithUpdateStatistics) {
    server.InstallProvider("Full", "QPFLTMBF.so");
    SetPlugin("Bayesian Filtering Status", 1);
    SetPlugin("Antivirus Status", 1);
    Initialise();
    Teardown();
    uint32_t value = 0;
    EXPECT_FALSE(ReadRegistryDword(kCountersKey, "Service Start", &value));

    server.registry.SetDword(kRootKey, "Update Statistics", 1);
    server.registry.SetDword(kCountersKey, "Bayesian Total Scans", 77);
    Initialise();
    Teardown();
    EXPECT_TRUE(ReadRegistryDword(kCountersKey, "Service Start", &value));
    EXPECT_GT(value, 1700000000u);
    for (const char* name : {"Bayesian Total Scans", "Bayesian Detections", "Antivirus Detected",
                             "Antivirus Total Scans"}) {
        SCOPED_TRACE(name);
        value = 99;
        EXPECT_TRUE(ReadRegistryDword(kCountersKey, name, &value));
        EXPECT_EQ(0u, value);  // loading resets the stored counts
    }
    EXPECT_FALSE(ReadRegistryDword(kCountersKey, "SA Total Scans", &value));
}

TEST_F(LifecycleTest, LoadingWithFileModeWritesStartAndUnloadingEnd) {
    server.SetLogMode(1);
    Initialise();
    EXPECT_NE(std::string::npos, server.ReportFile().find("\tStart\t-"));
    EXPECT_EQ(std::string::npos, server.ReportFile().find("\tEnd\t-"));
    Teardown();
    EXPECT_NE(std::string::npos, server.ReportFile().find("\tEnd\t-"));
}

}  // namespace
