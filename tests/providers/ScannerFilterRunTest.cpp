// tests/providers/ScannerFilterRunTest.cpp: the scanner criteria through the exported
// FilterExecute on a temporary server tree with table filters: which filters the
// providers' answers make apply, what each provider is sent, and the statistics
// counters left in the registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/Counters.h"
#include "base/Settings.h"
#include "common/RegistryAccess.h"
#include "filters/FilterSet.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/ScopedEnvironment.h"

namespace {

using namespace testing_support;

constexpr const char* kId = "M1.MAI";
constexpr const char* kEnvelope =
    "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n"
    "ClientIP=192.0.2.7\r\n";
constexpr const char* kMessage = "From: alice@example.net\r\nSubject: offer\r\n\r\nBuy now.\r\n";

constexpr const char* kCounterNames[] = {
    "Bayesian Total Scans", "Bayesian Detections", "SA Total Scans",        "SA Detections",
    "DKIM Scans",           "DKIM Detections",     "Antivirus Total Scans", "Antivirus Detected"};

class ScannerFilterRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        Counters() = ScannerCounters{};
        ForgetFirstUseSettings();
        server.SetLogMode(1);
        server.QueueMessage("SMTP", kId, kEnvelope, kMessage);
        for (const char* file : {"QPFLTMBF" TEST_LIBRARY_SUFFIX, "QPFLTMSA" TEST_LIBRARY_SUFFIX,
                                 "QPDomainKeys" TEST_LIBRARY_SUFFIX, "QPAVGEN" TEST_LIBRARY_SUFFIX})
            server.InstallProvider("Full", file);
        server.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
        server.registry.SetDword(kPluginKey, "Bayesian Filtering Load Mode", 1);
        server.registry.SetDword(kPluginKey, "SpamAssassin Enabled", 1);
        server.registry.SetDword(kPluginKey, "Antivirus Status", 1);
        server.registry.SetDword(kSmtpKey, "Domain Keys Status", 1);
        // Bayesian 97.5, SpamAssassin spam, DKIM pass, and a virus.
        AddFilter("BAYES", kSpamProbability, "90", 2);  // met by the value and its condition
        AddFilter("BAYES3", kSpamProbability, "90", 3);
        AddFilter("BAYESHIGH", kSpamProbability, "97.5", 1);
        AddFilter("SA", kSpamAssassin, "1", 1);
        AddFilter("DKIM", kDkim, "PASS", 1);
        AddFilter("VIRUS", kHasVirus, "0", 1);
    }
    void TearDown() override { Unload(); }

    static void Unload() { UnloadPlugin(); }

    // Filter `id` with one criterion and a quarantine copy as its action.
    void AddFilter(const std::string& id, int type, const std::string& value, int threshold) {
        server.AddFilter(id,
                         std::string(type, '\n') + "1\t\t" + value + "\t\t\t" +
                             std::to_string(threshold) + "\r\n",
                         "1\t\t\tCOPY_TO_QUARANTINE\tkeep a copy\r\n");
    }
    void Run() {
        ScopedEnvironment answer("STUB_PROVIDER_RESULT",
                                 "<SP>97.5</SP><PASS>0</PASS><RESULT>1</RESULT>");
        ScopedEnvironment virus("STUB_VIRUS_FINDING", "Eicar-Test-Signature");
        ScopedEnvironment preset("STUB_PROVIDER_LOG_PRESET", "1");
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        server.tree.WriteFile("stub-calls.txt", "");
        EXPECT_EQ(1, FilterExecute("", kId, "SMTP", 0));
        ::testing::internal::GetCapturedStdout();
    }
    // The filters named by the report's "Executed" entries, with their criteria text.
    std::vector<std::pair<std::string, std::string>> Executed() const {
        std::vector<std::pair<std::string, std::string>> entries;
        for (const std::vector<std::string>& columns : server.ExecutedEntries())
            if (columns.size() > 9) entries.emplace_back(columns[4], columns[9]);
        return entries;
    }

    PluginTree server;
};

TEST_F(ScannerFilterRunTest, EachProviderIsAskedOnceAndDecidesItsFiltersAndIsCountedIfAsked) {
    Run();
    const std::vector<std::pair<std::string, std::string>> want = {
        {"Filter BAYES",
         "CRITERIA=SPAM_PROBABILITY, DATA=<BFV>97.500000</BFV><BFT>90.000000</BFT>"},
        {"Filter SA", "CRITERIA=SPAMASSASSIN, DATA=<PASS>1</PASS>"},
        {"Filter DKIM", "CRITERIA=DKIM, DATA="},
        {"Filter VIRUS", "CRITERIA=HASVIRUS, DATA=Eicar-Test-Signature"},
    };
    EXPECT_EQ(want, Executed());

    const std::string queue = server.tree.Join("connectors") + "\\SMTP\\Inbound\\";
    const std::string files =
        "<FILENAME>" + queue + "Messages\\M1.MAI</FILENAME><CMDFILE>" + queue + "M1.MAI</CMDFILE>";
    EXPECT_EQ("QPFLTMBF" TEST_LIBRARY_SUFFIX "|QP_Execute|" + files + "|0\n" +
                  "QPFLTMSA" TEST_LIBRARY_SUFFIX "|QP_Execute|" + files + "|1024\n" +
                  "QPDomainKeys" TEST_LIBRARY_SUFFIX "|QP_Execute|<COMMAND>VERIFY</COMMAND>" +
                  files + "<DOMAIN>example.net</DOMAIN><SENDER>alice</SENDER>|1024\n" +
                  "QPAVGEN" TEST_LIBRARY_SUFFIX "|ProviderExecute|MTAFILTER,M1.MAI,SMTP\n",
              server.StubCalls());
    // The counters are kept only with "Update Statistics".
    for (const char* name : kCounterNames) {
        uint32_t value = 0;
        EXPECT_FALSE(ReadRegistryDword(kCountersKey, name, &value)) << name;
    }
    Unload();

    server.registry.SetDword(kRootKey, "Update Statistics", 1);
    Run();
    // One scan each; detections: probability 97.5 > 95, spam, no DKIM failure, and one
    // virus per filter that the virus met.
    const uint32_t counts[] = {1, 1, 1, 1, 1, 0, 1, 1};
    for (size_t i = 0; i < std::size(kCounterNames); ++i) {
        uint32_t value = 99;
        EXPECT_TRUE(ReadRegistryDword(kCountersKey, kCounterNames[i], &value)) << kCounterNames[i];
        EXPECT_EQ(counts[i], value) << kCounterNames[i];
    }
}

// Runs on many host threads share the providers and the counters; under ThreadSanitizer
// this shows that they do so without a data race.
TEST_F(ScannerFilterRunTest, ConcurrentRunsShareTheProvidersAndCounters) {
    std::filesystem::remove_all(server.tree.Join("config/FILTERS/ACTIONS"));  // decide only
    server.registry.SetDword(kRootKey, "Update Statistics", 1);
    ScopedEnvironment answer("STUB_PROVIDER_RESULT", "<SP>97.5</SP>");
    ::testing::internal::CaptureStdout();
    InitializePlugin();
    constexpr int kThreads = 4;
    constexpr int kRunsPerThread = 5;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int run = 0; run < kRunsPerThread; ++run) FilterExecute("", kId, "SMTP", 0);
        });
    for (std::thread& thread : threads) thread.join();
    ::testing::internal::GetCapturedStdout();
    const uint32_t scans = ReadCounter(&Counters().bayesianScans);
    EXPECT_GT(scans, 0u);
    EXPECT_LE(scans, static_cast<uint32_t>(kThreads * kRunsPerThread));  // counts may be lost
}

}  // namespace
