// tests/host/ProcessLifetimeTest.cpp: the plug-in in a host process of its own, from
// the load (which runs before the library's C++ globals are built) to a host exit that
// never unloads the library (which destroys those globals before anything else).
#include <gtest/gtest.h>

#include <string>

#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

constexpr uint32_t kLogToFile = 1;
constexpr int kSpamProbabilityLines = 12;  // the criterion's type is its line number

class ProcessLifetimeTest : public ::testing::Test {
protected:
    void SetUp() override { server.SetLogMode(kLogToFile); }

    // Runs the host over the tree; its exit status.
    int Host(const std::string& messageId = "") {
        std::string output;
        return RunCommand(
            HelperProgramPath("PluginHostProgram") + " \"" + MTAFILTER_PLUGIN + "\" " + messageId,
            &output, true);
    }
    void AddFilter(const std::string& id, const std::string& criterion) {
        server.tree.WriteFile("config/FILTERS/FILTER.TAB", "Rule\t1\t" + id + "\t\tName\r\n");
        server.tree.WriteFile("config/FILTERS/CRITERIA/" + id + ".TAB", criterion);
    }
    bool ReportEnds() const {
        const std::string report = server.ReportFile();
        return report.find("\tStart\t") != std::string::npos &&
               report.find("\tEnd\t") != std::string::npos;
    }

    PluginTree server;
};

TEST_F(ProcessLifetimeTest, ExitWithoutUnloadingStillEndsTheLogAndCleansUpProviders) {
    server.InstallProvider("Full", LibraryFileName("QPFLTMBF"));
    server.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
    server.registry.SetDword(kPluginKey, "Bayesian Filtering Load Mode", 1);
    server.registry.SetDword(kPluginKey, "Allow Pattern Caching", 1);
    server.tree.WriteFile("config/FILTERS/PATTERNS/spam.txt", "free\r\n");
    AddFilter("B", std::string(kSpamProbabilityLines, '\n') + "1\t\t90\t\t\t1\r\n" +
                       "1\t\t<REFERENCE><FILE>spam.txt</FILE></REFERENCE>\t\t\t1\r\n");
    server.QueueMessage("SMTP", "M1.MAI", "Sender=[SMTP:alice@example.net]\r\n",
                        "Subject: free\r\n\r\nmoney\r\n");
    EXPECT_EQ(0, Host("M1.MAI"));
    const std::string calls = server.StubCalls();
    EXPECT_NE(std::string::npos, calls.find("QPFLTMBF" TEST_LIBRARY_SUFFIX "|QP_Execute|"))
        << calls;
#ifdef _WIN32
    GTEST_SKIP() << "on Windows a process that ends without unloading the DLL skips the "
                    "teardown: its other threads may have died holding locks "
                    "(frame/win32/DllMain.cpp)";
#endif
    EXPECT_TRUE(ReportEnds()) << server.ReportFile();
    EXPECT_NE(std::string::npos, calls.find("QPFLTMBF" TEST_LIBRARY_SUFFIX "|QP_CleanUp|"))
        << calls;
}

}  // namespace
