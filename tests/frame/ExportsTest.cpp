// tests/frame/ExportsTest.cpp: the exported calls' answers and the reload gate.
#include <gtest/gtest.h>

#include <string>

#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "frame/ReloadGate.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using namespace testing_support;

constexpr const char* kNoBayesian =
    "Bayesian AutoTraining is being called, but the system could not find a reference to "
    "BayesianExecute.\n";

class ExportsTest : public ::testing::Test {
protected:
    void Load() {
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        ::testing::internal::GetCapturedStdout();
    }
    void TearDown() override { TeardownPlugin(); }

    PluginTree server;
};

TEST_F(ExportsTest, FilterExecuteAnswersOneForMessagesThatCannotBeFiltered) {
    Load();
    EXPECT_EQ(1, FilterExecute("", "NOSUCHMESSAGE.MAI", "SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "NOSUCHMESSAGE.MAI", "NOQUEUE", 0));
    EXPECT_EQ(1, FilterExecute(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(0, RunsInFlight());
}

TEST_F(ExportsTest, NamesThatAreNotPlainFileNamesAreRejectedAndReported) {
    server.SetLogMode(1);
    Load();
    EXPECT_EQ(1, FilterExecute("", "../../x", "SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "M1.MAI", "..\\SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "a\r\nb", "SMTP", 0));
    EXPECT_EQ(0, RunsInFlight());
    const std::string report = server.ReportFile();
    EXPECT_NE(std::string::npos,
              report.find("message identifier \"../../x\" is not a plain file name"));
    EXPECT_NE(std::string::npos, report.find("connector name \"..\\SMTP\" is not"));
    EXPECT_NE(std::string::npos, report.find("message identifier \"a??b\" is not"));
    EXPECT_NE(std::string::npos, report.find("Check the program that queues messages"));
}

TEST_F(ExportsTest, FilterCommandWithoutBayesianLogsEachCall) {
    server.SetLogMode(2);
    Load();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, FilterCommand(0, 0, "<TRAIN>spam</TRAIN>"));
    EXPECT_EQ(0, FilterCommand(0, 0, "<TRAIN>spam</TRAIN>"));
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(2u, [&] {
        size_t count = 0;
        for (size_t at = out.find(kNoBayesian); at != std::string::npos;
             at = out.find(kNoBayesian, at + 1))
            ++count;
        return count;
    }());
}

TEST_F(ExportsTest, FilterCommandReachesTheBayesianExecuteEntry) {
    server.InstallProvider("Full", "QPFLTMBF.so");
    server.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
    Load();
    EXPECT_EQ(1, FilterCommand(0, 0, "<TRAIN>ham</TRAIN>"));
    EXPECT_EQ("QPFLTMBF.so|QP_Execute|<TRAIN>ham</TRAIN>\n", server.StubCalls());
}

TEST_F(ExportsTest, FilterUnInitReturnsOne) {
    Load();
    EXPECT_EQ(1, FilterUnInit(0));
}

TEST_F(ExportsTest, GateGivesUpAfterItsWaitsAndLogs) {
    server.SetLogMode(2);
    Load();
    SetReloadInProgress(1);
    ::testing::internal::CaptureStdout();
    PassReloadGate(1);
    std::string out = ::testing::internal::GetCapturedStdout();
    SetReloadInProgress(0);
    EXPECT_NE(std::string::npos,
              out.find(" Filters are taking too long to reload and filter executing. This may "
                       "cause filter instability.\n"));
    ::testing::internal::CaptureStdout();
    PassReloadGate(1);
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
}

}  // namespace
