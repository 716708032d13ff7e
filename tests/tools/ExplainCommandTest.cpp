// tests/tools/ExplainCommandTest.cpp: "mtafilter explain" on a small server tree: the
// verdict and criterion figures of each filter, as text and JSON, for a message that is
// caught and one that is not, and its usage and failure exits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/RegistryAccess.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/ScopedEnvironment.h"
#include "tests/tools/InProcessCommand.h"
#include "tools/Commands.h"

namespace {

using testing_support::PluginTree;

using Result = testing_support::CommandResult;

constexpr const char* kEnvelope =
    "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n"
    "ClientIP=192.0.2.10\r\nTimeAcquired=1700000000\r\n";
constexpr const char* kFreeId = "00000000000000000000000000000001.MAI";
constexpr const char* kPlainId = "00000000000000000000000000000002.MAI";

std::string Message(const std::string& subject) {
    return "From: alice@example.net\r\nTo: bob@example.com\r\nSubject: " + subject +
           "\r\n\r\nHi Bob.\r\n";
}

class ExplainCommandTest : public testing::Test {
protected:
    void SetUp() override {
        // Filter 1 looks for "free" in the subject; filter 2 takes every message.
        Write("FILTERS/FILTER.TAB", "Spam\t1\tSPAM\t\tSpam words\nAll\t1\tALL\t\tEverything\n");
        Write("FILTERS/CRITERIA/SPAM.TAB", "1\t\tfree\t\t\t1\n");
        Write("FILTERS/CRITERIA/ALL.TAB", std::string(15, '\n') + "1\t\t\t\t\t1\n");
        for (const char* id : {"SPAM", "ALL"})
            Write(std::string("FILTERS/ACTIONS/") + id + ".TAB", "1\t\t\tDELETE\tgo\n");
        plugin_.QueueMessage("SMTP", kFreeId, kEnvelope, Message("free money"));
        plugin_.QueueMessage("SMTP", kPlainId, kEnvelope, Message("minutes of the meeting"));
    }

    Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), "explain");
        return testing_support::RunMtafilter(std::move(args));
    }
    void Write(const std::string& relative, const std::string& text) {
        plugin_.tree.WriteFile("config/" + relative, text);
    }

    PluginTree plugin_;
};

TEST_F(ExplainCommandTest, JsonShowsTheDecisionAndTheFiguresBehindIt) {
    const Result result = Run({"--json", kFreeId});
    ASSERT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_EQ(
        "{\"filters\":["
        "{\"number\":1,\"ruleName\":\"Spam\",\"displayName\":\"Spam words\",\"isScript\":false,"
        "\"reached\":true,\"matched\":true,\"stopsProcessing\":false,\"criteria\":[{\"type\":"
        "\"SUBJECT\",\"matchCount\":1,\"threshold\":1,"
        "\"resultText\":\"<MF-W>free</MF-W>\",\"conditionValues\":[\"1\"]}]},"
        "{\"number\":2,\"ruleName\":\"All\",\"displayName\":\"Everything\",\"isScript\":false,"
        "\"reached\":true,\"matched\":true,\"stopsProcessing\":false,\"criteria\":[{\"type\":"
        "\"ALLMESSAGES\",\"matchCount\":1,"
        "\"threshold\":1,\"resultText\":\"<MF-ALL>All Messages</MF-ALL>\","
        "\"conditionValues\":[\"1\"]}]}],"
        "\"providers\":{\"DNS\":\"not "
        "loaded\",\"DKIM\":\"off\",\"Bayesian\":\"off\",\"SpamAssassin\":\"off\","
        "\"Antivirus\":\"off\"}}\n",
        result.out);
    // An explanation acts on nothing: the message its filters would delete is still there.
    EXPECT_TRUE(plugin_.tree.Exists("connectors/SMTP/Inbound/Messages/" + std::string(kFreeId)));
}

TEST_F(ExplainCommandTest, TextNamesEachFilterItsVerdictAndCriteriaWithConsoleLinesOnlyIfVerbose) {
    const Result result = Run({kPlainId});
    ASSERT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_EQ(0u, result.out.find("Message " + std::string(kPlainId) + " (connector SMTP"))
        << result.out;
    EXPECT_NE(std::string::npos, result.out.find("Filter 1: Spam words (Spam): not matched\n"
                                                 "  SUBJECT: 0 of 1"))
        << result.out;
    EXPECT_NE(std::string::npos, result.out.find("Filter 2: Everything (All): matched\n"
                                                 "  ALLMESSAGES: 1 of 1"))
        << result.out;
    // --verbose keeps the plug-in's console lines, before the report.
    const Result verbose = Run({"--verbose", kPlainId});
    const size_t report = verbose.out.find("Message " + std::string(kPlainId));
    EXPECT_TRUE(report != std::string::npos && report > 0) << verbose.out;
}

TEST_F(ExplainCommandTest, ScanningProvidersAreAskedButTheStatisticsLeftAlone) {
    plugin_.InstallProvider("Full", testing_support::LibraryFileName("QPFLTMBF"));
    plugin_.registry.SetDword(testing_support::kPluginKey, "Bayesian Filtering Status", 1);
    plugin_.registry.SetDword(testing_support::kPluginKey, "Antivirus Status", 1);
    plugin_.registry.SetDword(testing_support::kRootKey, "Update Statistics", 1);
    ForgetFirstUseSettings();
    Write("FILTERS/CRITERIA/SPAM.TAB", std::string(12, '\n') + "1\t\t90\t\t\t1\n");
    testing_support::ScopedEnvironment answer("STUB_PROVIDER_RESULT", "<SP>97.5</SP>");
    const Result result = Run({kPlainId});
    ASSERT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_NE(
        std::string::npos,
        result.out.find(
            "Providers: DNS not loaded, DKIM off, Bayesian ready, SpamAssassin off, Antivirus "
            "unavailable\n"))
        << result.out;
    EXPECT_NE(std::string::npos,
              result.out.find("Filter 1: Spam words (Spam): matched\n  SPAM_PROBABILITY: 2 of 1, "
                              "result \"<BFV>97.500000</BFV><BFT>90.000000</BFT>\""))
        << result.out;
    EXPECT_EQ(std::string::npos, plugin_.StubCalls().find("QP_Initialize"));  // load mode 0
    EXPECT_NE(std::string::npos,
              plugin_.StubCalls().find("QPFLTMBF" TEST_LIBRARY_SUFFIX "|QP_CleanUp|"));
    uint32_t value = 0;
    EXPECT_FALSE(ReadRegistryDword(testing_support::kCountersKey, "Bayesian Total Scans", &value));
}

// The explanation is the plug-in's own evaluation: the same providers (the DNS provider
// too), the same criteria, and no decision for filters after one that stops processing.
TEST_F(ExplainCommandTest, ShowsWhatThePluginRunDecides) {
    plugin_.InstallProvider("Full", testing_support::LibraryFileName("QPWINDNS"));
    plugin_.registry.SetDword(testing_support::kPluginKey, "Perform SBLRBL", 1);
    plugin_.registry.SetDword(testing_support::kPluginKey, "Activity Log Enabled", 1);
    ForgetFirstUseSettings();
    Write("FILTERS/FILTER.TAB",
          "Links\t1\tLINKS\t\tListed links\t\nStop\t1\tSTOP\t\tStopper\t\n"
          "After\t1\tAFTER\t\tAfter the stop\t\n");
    Write("FILTERS/CRITERIA/LINKS.TAB", std::string(20, '\n') + "1\t\t\t\t\t1\n");
    for (const char* id : {"STOP", "AFTER"})
        Write(std::string("FILTERS/CRITERIA/") + id + ".TAB",
              std::string(15, '\n') + "1\t\t\t\t\t1\n");
    Write("FILTERS/ACTIONS/LINKS.TAB", "1\t\t\tCOPY_TO_QUARANTINE\tkeep\n");
    Write("FILTERS/ACTIONS/STOP.TAB",
          "1\t\t\tCOPY_TO_BADMAIL\tkeep\n1\t\t\tSTOP_PROCESSING\tstop\n");
    Write("FILTERS/ACTIONS/AFTER.TAB", "1\t\t\tDELETE\tgo\n");
    constexpr const char* kLinkId = "00000000000000000000000000000003.MAI";
    plugin_.QueueMessage("SMTP", kLinkId, kEnvelope,
                         "Subject: offer\r\n\r\nSee http://listed.example/offer now.\r\n");

    const Result result = Run({kLinkId});
    ASSERT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("Providers: DNS ready, DKIM off")) << result.out;
    EXPECT_NE(std::string::npos,
              result.out.find("Filter 1: Listed links (Links): matched\n  URLBL: 1 of 1, result "
                              "\"<MF-SBLURI>test.list</MF-SBLURI>\""))
        << result.out;
    EXPECT_NE(std::string::npos,
              result.out.find("Filter 2: Stopper (Stop): matched; its actions stop processing\n"))
        << result.out;
    EXPECT_NE(std::string::npos,
              result.out.find("Filter 3: After the stop (After): not reached: an earlier filter "
                              "stops processing\n"))
        << result.out;

    // The plug-in acts on the same two filters and on no other.
    testing::internal::CaptureStdout();
    InitializePlugin();
    EXPECT_EQ(1, FilterExecute("", kLinkId, "SMTP", 0));
    TeardownPlugin();
    testing::internal::GetCapturedStdout();
    const std::string report = plugin_.ReportFile();
    EXPECT_NE(std::string::npos, report.find("\tListed links\tCOPY_TO_QUARANTINE\t")) << report;
    EXPECT_NE(std::string::npos, report.find("\tStopper\tCOPY_TO_BADMAIL,STOP_PROCESSING\t"))
        << report;
    EXPECT_EQ(std::string::npos, report.find("After the stop")) << report;
}

TEST_F(ExplainCommandTest, AMissingMessageFailsSayingWhereItLooked) {
    const Result result = Run({"--connector", "LS", kFreeId});
    EXPECT_EQ(kExitFailure, result.code);
    EXPECT_NE(std::string::npos, result.err.find("connector LS")) << result.err;
    EXPECT_NE(
        std::string::npos,
        testing_support::Slashed(result.err).find(std::string("LS/Inbound/Messages/") + kFreeId))
        << result.err;
    EXPECT_EQ("", result.out);
}

TEST_F(ExplainCommandTest, BadUsageExitsWithTwoAndHelpWithZero) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {kFreeId, kPlainId}}) {
        EXPECT_EQ(kExitUsage, Run(args).code) << testing::PrintToString(args);
    }
    const Result help = Run({"--help"});
    EXPECT_EQ(kExitSuccess, help.code);
    EXPECT_EQ(0u, help.out.find("usage: mtafilter explain")) << help.out;
}

}  // namespace
