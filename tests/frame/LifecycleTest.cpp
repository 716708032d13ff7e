// tests/frame/LifecycleTest.cpp: what loading and unloading the plug-in sets up and
// releases, with stand-in provider libraries in the provider directory, and the antivirus
// agent plug-ins brought up by FilterInit.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/Settings.h"
#include "common/RegistryAccess.h"
#include "frame/FilterInit.h"
#include "frame/Lifecycle.h"
#include "providers/ProviderLibraries.h"
#include "providers/StoreLibrary.h"
#include "tests/fixtures/PlatformNames.h"
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
#ifdef _WIN32
    GTEST_SKIP() << "the registry database file is the Linux build's own; Windows has its "
                    "system registry";
#endif
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

TEST_F(LifecycleTest, AntivirusAloneBringsTheStoreLibraryAlong) {
    server.InstallProvider("Full", "QPAVGEN" TEST_LIBRARY_SUFFIX);
    server.InstallProvider("Full", "QPAISP" TEST_LIBRARY_SUFFIX);
    LoadPlugin();
    EXPECT_EQ(nullptr, StoreLibraryHandle());
    UnloadPlugin();
    EXPECT_EQ("", server.StubCalls());
    SetPlugin("Antivirus Status", 1);
    EXPECT_EQ(kNoFilters + std::string("Antivirus Loading Library..\n"), LoadPlugin());
    EXPECT_NE(nullptr, Providers().antivirusExecute);
    EXPECT_NE(nullptr, StoreLibraryHandle());
    UnloadPlugin();
    EXPECT_EQ("QPAISP" TEST_LIBRARY_SUFFIX "|StoreLibrary_Init|\nQPAISP" TEST_LIBRARY_SUFFIX
              "|StoreLibrary_UnInit|\n",
              server.StubCalls());
    EXPECT_EQ(nullptr, StoreLibraryHandle());
}

TEST_F(LifecycleTest, TeardownCleansUpInOrder) {
    for (const char* file : {"QPFLTMBF" TEST_LIBRARY_SUFFIX, "QPFLTMSA" TEST_LIBRARY_SUFFIX,
                             "QPDomainKeys" TEST_LIBRARY_SUFFIX, "QPAVGEN" TEST_LIBRARY_SUFFIX})
        server.InstallProvider("Full", file);
    server.InstallProvider("Full", "QPAISP" TEST_LIBRARY_SUFFIX);
    SetPlugin("Bayesian Filtering Status", 1);
    SetPlugin("Bayesian Filtering Load Mode", 1);
    SetPlugin("SpamAssassin Enabled", 1);
    SetPlugin("Antivirus Status", 1);
    server.registry.SetDword(kSmtpKey, "Domain Keys Status", 1);
    LoadPlugin();
    UnloadPlugin();
    std::string want;
    for (const auto& [library, call] :
         std::vector<std::pair<const char*, const char*>>{{"QPDomainKeys", "QP_Initialize"},
                                                          {"QPFLTMBF", "QP_Initialize"},
                                                          {"QPFLTMSA", "QP_Initialize"},
                                                          {"QPAISP", "StoreLibrary_Init"},
                                                          {"QPFLTMBF", "QP_CleanUp"},
                                                          {"QPDomainKeys", "QP_CleanUp"},
                                                          {"QPFLTMSA", "QP_CleanUp"},
                                                          {"QPAISP", "StoreLibrary_UnInit"}})
        want += std::string(library) + TEST_LIBRARY_SUFFIX "|" + call + "|\n";
    EXPECT_EQ(want, server.StubCalls());
}

// Without "Update Statistics" nothing is written: ScannerFilterRunTest shows that for
// every counter.
TEST_F(LifecycleTest, LoadingWithUpdateStatisticsStampsTheStartAndResetsTheCounts) {
    server.InstallProvider("Full", "QPFLTMBF" TEST_LIBRARY_SUFFIX);
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

// The antivirus agent plug-ins brought up by FilterInit.
class FilterInitTest : public ::testing::Test {
protected:
    void SetUp() override { LoadPlugin(); }
    void TearDown() override { TeardownPlugin(); }

    // Declares an agent key below the filters key.
    void Agent(const std::string& name, uint32_t status, int pluginEnabled, const char* provider) {
        std::string key = std::string(kFiltersKey) + "\\" + name;
        server.registry.SetDword(key, "Status", status);
        if (pluginEnabled >= 0)
            server.registry.SetDword(key, "Antivirus Agent Plugin Enabled",
                                     static_cast<uint32_t>(pluginEnabled));
        if (provider != nullptr)
            server.registry.SetString(key, "Antivirus Agent Plugin Provider", provider);
    }
    int32_t Run(std::string* console) {
        ::testing::internal::CaptureStdout();
        int32_t result = InitialiseAgentPlugins();
        *console = ::testing::internal::GetCapturedStdout();
        return result;
    }

    PluginTree server;
};

TEST_F(FilterInitTest, MissingAgentLibraryStopsTheWalk) {
    server.InstallProvider("Full", "LATER" TEST_LIBRARY_SUFFIX);
    Agent("MISSING", 1, 1, "NOSUCH.DLL");
    Agent("LATER", 1, 1, "LATER.DLL");
    server.registry.SetString(kFiltersKey, "Processing Order", "MTAFILTER,MISSING,LATER");
    std::string console;
    EXPECT_EQ(0, Run(&console));
    EXPECT_EQ(
        "Antivirus Plugin Provider loading library..\n"
        "Antivirus Loading - Unable to locate AV Plugin Provider.\n",
        console);
    EXPECT_EQ("", server.StubCalls());
}

// Our own key and agents without both switches are skipped; a library without the
// initialiser is reported, and the later library replaces the first.
TEST_F(FilterInitTest, AgentPluginsWithBothSwitchesAreLoadedAndInitialised) {
    std::string console;
    EXPECT_EQ(1, Run(&console));  // no processing order at all
    server.InstallProvider("Full", "AGENT" TEST_LIBRARY_SUFFIX);
    server.InstallProvider("Plain", "NOINIT" TEST_LIBRARY_SUFFIX);
    Agent("mtafilter", 1, 1, "NOINIT.DLL");  // our own key, in any case
    Agent("NOSWITCH", 1, -1, "NOINIT.DLL");  // plug-in switch missing
    Agent("DISABLED", 0, 1, "NOINIT.DLL");
    Agent("PLUGINOFF", 1, 0, "NOINIT.DLL");
    Agent("AV", 1, 1, "AGENT.DLL");
    Agent("OTHER", 1, 1, "NOINIT.DLL");
    server.registry.SetString(kFiltersKey, "Processing Order",
                              "mtafilter,NOSWITCH,DISABLED,PLUGINOFF,AV,OTHER");
    EXPECT_EQ(1, Run(&console));
    EXPECT_NE(std::string::npos, console.find("Unable to locate AV Plugin Initialize.\n"));
    EXPECT_EQ("AGENT" TEST_LIBRARY_SUFFIX "|PluginInitialize|\n", server.StubCalls());
    EXPECT_NE(nullptr, Providers().agentPlugin);
}

}  // namespace
