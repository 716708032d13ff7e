// tests/frame/FilterInitTest.cpp: the antivirus agent plug-ins brought up by FilterInit.
#include <gtest/gtest.h>

#include <string>

#include "frame/FilterInit.h"
#include "frame/Lifecycle.h"
#include "providers/ProviderLibraries.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

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
