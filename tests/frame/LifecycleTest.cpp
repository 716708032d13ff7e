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
#include "tests/fixtures/PluginRun.h"
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

    void SetPlugin(const char* name, uint32_t value) {
        server.registry.SetDword(kPluginKey, name, value);
    }

    PluginTree server;
};

TEST_F(LifecycleTest, WithoutPluginKeyEverySettingTakesItsDefault) {
    server.InstallProvider("Full", "QPFLTMBF.so");
    server.InstallProvider("Full", "QPAVGEN.so");
    EXPECT_EQ("Loaded 0 Filters\n", LoadPlugin());
    const PluginSettings& settings = Settings();
    EXPECT_EQ(5u, settings.debugLoggingLevel);
    EXPECT_EQ(1u, settings.scriptLiteralMode);
    EXPECT_EQ(0u, settings.uriSblMaxChecks);
    EXPECT_EQ(server.tree.Join("app") + "64", settings.providerDirectory);
    EXPECT_EQ(nullptr, Providers().bayesian.handle);
    EXPECT_EQ(nullptr, Providers().antivirus);
    EXPECT_EQ("", server.ReportFile());
    UnloadPlugin();
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
    LoadPlugin();
    for (const std::string& name : stale) EXPECT_FALSE(server.tree.Exists(name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(server.tree.Exists(name)) << name;
    EXPECT_NE(std::string::npos, server.ReportFile().find("Removed 3 scratch files"));
    UnloadPlugin();
}

TEST_F(LifecycleTest, ARegistryThatCannotBeReadIsReportedNotTakenForAnEmptyOne) {
    server.tree.WriteFile("garbage.db", std::string(8192, 'x'));
    const std::string garbage = server.tree.Join("garbage.db");
    ScopedEnvironment unreadable("QP_REGISTRY", garbage);
    const std::string console = LoadPlugin();
    EXPECT_NE(std::string::npos, console.find("The registry database " + garbage +
                                              " cannot be read (cannot read it as an SQLite"))
        << console;
    EXPECT_NE(std::string::npos, console.find("then restart the service.\n"));
    UnloadPlugin();
}

TEST_F(LifecycleTest, ValuesThatDoNotFitOrHaveTheWrongTypeCountAsMissing) {
    server.registry.SetString(kPluginKey, "Activity Log Directory", std::string(512, 'd'));
    server.registry.SetString(kPluginKey, "Debug Logging Level", "seven");
    LoadPlugin();
    EXPECT_STREQ("", Settings().activityLogDirectory);
    EXPECT_EQ(5u, Settings().debugLoggingLevel);
    UnloadPlugin();
}

// What each scanner came to is told on the console; the states themselves are pinned in
// ProviderLibrariesTest.
TEST_F(LifecycleTest, ConsoleTellsWhatEachScannerLoadCameTo) {
    struct Case {
        const char* name;
        const char* file;
        const char* variant;  // null: no library installed
        const char* key;
        const char* value;
        const char* wantConsole;
    };
    const Case cases[] = {
        {"Bayesian ready", "QPFLTMBF.so", "Plain", kPluginKey, "Bayesian Filtering Status",
         "Bayesian Filter Loading Library..\nBayesian Filter - Loading Dictionary..\n"
         "Bayesian Filter - Loading Complete.\n"},
        {"Bayesian failed", "QPFLTMBF.so", "Partial", kPluginKey, "Bayesian Filtering Status",
         "Bayesian Filter Loading Library..\nBayesian Filter - Loading Dictionary..\n"
         "Bayesian Filter - Loading Failed.\n"},
        {"Bayesian missing", "QPFLTMBF.so", nullptr, kPluginKey, "Bayesian Filtering Status",
         "Bayesian Filter - Unable to locate Filter Provider.\n"},
        {"SpamAssassin failed", "QPFLTMSA.so", "Plain", kPluginKey, "SpamAssassin Enabled",
         "SA Filter Loading Library..\nSA Filter - Loading Failed.\n"},
        {"SpamAssassin missing", "QPFLTMSA.so", nullptr, kPluginKey, "SpamAssassin Enabled",
         "SA Filter - Unable to locate Filter Provider.\n"},
        {"DKIM ready", "QPDomainKeys.so", "Plain", kSmtpKey, "Domain Keys Status",
         "Domain Keys Loading Library..\nDomain Keys - Loading Complete.\n"},
        {"DKIM missing", "QPDomainKeys.so", nullptr, kSmtpKey, "Domain Keys Status",
         "Domain Keys Loading Library..\nDomain Keys - Loading Failed.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PluginTree fresh;
        if (c.variant != nullptr) fresh.InstallProvider(c.variant, c.file);
        fresh.registry.SetDword(c.key, c.value, 1);
        fresh.registry.SetDword(kPluginKey, "Bayesian Filtering Load Mode", 1);
        ForgetFirstUseSettings();
        EXPECT_EQ(kNoFilters + std::string(c.wantConsole), LoadPlugin());
        UnloadPlugin();
    }
}

TEST_F(LifecycleTest, AntivirusAloneBringsTheStoreLibraryAlong) {
    server.InstallProvider("Full", "QPAVGEN.so");
    server.InstallProvider("Full", "QPAISP.so");
    LoadPlugin();
    EXPECT_EQ(nullptr, StoreLibraryHandle());
    UnloadPlugin();
    EXPECT_EQ("", server.StubCalls());
    SetPlugin("Antivirus Status", 1);
    EXPECT_EQ(kNoFilters + std::string("Antivirus Loading Library..\n"), LoadPlugin());
    EXPECT_NE(nullptr, Providers().antivirusExecute);
    EXPECT_NE(nullptr, StoreLibraryHandle());
    UnloadPlugin();
    EXPECT_EQ("QPAISP.so|StoreLibrary_Init|\nQPAISP.so|StoreLibrary_UnInit|\n", server.StubCalls());
    EXPECT_EQ(nullptr, StoreLibraryHandle());
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
    LoadPlugin();
    UnloadPlugin();
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

// Without "Update Statistics" nothing is written: ScannerFilterRunTest shows that for
// every counter.
TEST_F(LifecycleTest, LoadingWithUpdateStatisticsStampsTheStartAndResetsTheCounts) {
    server.InstallProvider("Full", "QPFLTMBF.so");
    SetPlugin("Bayesian Filtering Status", 1);
    SetPlugin("Antivirus Status", 1);
    uint32_t value = 0;
    server.registry.SetDword(kRootKey, "Update Statistics", 1);
    server.registry.SetDword(kCountersKey, "Bayesian Total Scans", 77);
    LoadPlugin();
    UnloadPlugin();
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

}  // namespace
