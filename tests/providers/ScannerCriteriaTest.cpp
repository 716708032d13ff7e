// tests/providers/ScannerCriteriaTest.cpp: the scanner criteria on hand-built filter
// sets, with stand-in provider libraries loaded from the provider directory the way the
// plug-in loads them: what each provider is asked, how its answer becomes match counts,
// condition values and result texts, and when a provider is left alone.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/Counters.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "frame/Lifecycle.h"
#include "providers/ScannerCriteria.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/fixtures/ScopedEnvironment.h"

namespace {

using namespace testing_support;

struct Want {
    int matchCount;
    std::vector<std::string> conditionValues;
    std::string resultText;
};

void ExpectRecorded(HandBuiltRun& run, int filter, int type, const Want& want) {
    SCOPED_TRACE("filter " + std::to_string(filter));
    const FilterEvaluation& result = run.Result(filter);
    EXPECT_EQ(want.matchCount, result.matchCount[type]);
    for (size_t j = 0; j < want.conditionValues.size(); ++j)
        EXPECT_EQ(want.conditionValues[j], result.conditionValues[type][j]) << "condition " << j;
    EXPECT_EQ(want.resultText, result.resultText[type]);
}

class ScannerCriteriaTest : public ::testing::Test {
protected:
    void SetUp() override {
        Counters() = ScannerCounters{};
        ForgetFirstUseSettings();
    }
    void TearDown() override { Unload(); }

    static void Unload() { UnloadPlugin(); }

    // Installs the full stand-in for `file`, switched on by `key`\`value`, and loads.
    void LoadSwitchedOn(const char* file, const char* key, const char* value) {
        server.InstallProvider("Full", file);
        server.registry.SetDword(key, value, 1);
        Load();
    }
    void Load() {
        LoadPlugin();
        server.tree.WriteFile("stub-calls.txt", "");  // only the calls of the runs matter
    }
    // A run over message M1.MAI of connector SMTP from alice@example.net.
    static void Address(HandBuiltRun& run) {
        SafeCopy(run.message.messageId, "M1.MAI");
        SafeCopy(run.message.connector, "SMTP");
        SafeCopy(run.message.sender, "[SMTP:alice@example.net]");
    }
    std::string QueuePath(const std::string& middle) const {
        return server.tree.Join("connectors") + "\\SMTP\\" + middle + "\\M1.MAI";
    }
    std::string ScanCommand(const std::string& queue) const {
        return "<FILENAME>" + QueuePath(queue + "\\Messages") + "</FILENAME><CMDFILE>" +
               QueuePath(queue) + "</CMDFILE>";
    }

    PluginTree server;
};

// The answer is read as far as it is a number (a failed call's as 0), and "greater"
// means greater for every threshold as written, in the value and in a condition.
TEST_F(ScannerCriteriaTest, BayesianAnswerIsComparedWithTheThresholdAsWritten) {
    struct Case {
        const char* result;
        const char* returned;
        const char* threshold;
        const char* wantText;
        int wantMet;
    } const cases[] = {
        {"x<SP> 7.5e1 percent</SP>", "1", "-1", "<BFV>75.000000</BFV><BFT>-1.000000</BFT>", 1},
        {"<SP>97.5</SP>", "0", "97", "<BFV>0.000000</BFV><BFT>97.000000</BFT>", 0},
        {"<SP>90.3</SP>", "1", "90.30", "<BFV>90.300000</BFV><BFT>90.300000</BFT>", 0},
        {"<SP>90.3000001</SP>", "1", "90.3", "<BFV>90.300000</BFV><BFT>90.300000</BFT>", 1},
    };
    // Load mode 0: called without being initialised.
    LoadSwitchedOn("QPFLTMBF" TEST_LIBRARY_SUFFIX, kPluginKey, "Bayesian Filtering Status");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.result) + " > " + c.threshold);
        ScopedEnvironment answer("STUB_PROVIDER_RESULT", c.result);
        ScopedEnvironment returned("STUB_PROVIDER_RETURN", c.returned);
        HandBuiltRun run;
        Address(run);
        run.AddFilter(kSpamProbability, c.threshold);
        run.AddFilter(kSpamProbability, std::string("100\t") + c.threshold, 2);
        EvaluateBayesian(kSpamProbability, &run.message, &run.set, &run.evaluations);
        EXPECT_EQ(c.wantText, std::string(run.Result(1).resultText[kSpamProbability]));
        EXPECT_EQ(2 * c.wantMet, run.Result(1).matchCount[kSpamProbability]);
        EXPECT_EQ(c.wantMet, run.Result(2).matchCount[kSpamProbability]);
    }
}

TEST_F(ScannerCriteriaTest, PostofficeFiltersHandTheProvidersTheOutgoingQueue) {
    server.InstallProvider("Full", "QPFLTMBF" TEST_LIBRARY_SUFFIX);
    server.InstallProvider("Full", "QPFLTMSA" TEST_LIBRARY_SUFFIX);
    server.registry.SetDword(kPluginKey, "Bayesian Filtering Status", 1);
    server.registry.SetDword(kPluginKey, "SpamAssassin Enabled", 1);
    Load();
    HandBuiltRun run;
    Address(run);
    SafeCopy(run.set.postoffice, "sales");
    run.AddFilter(kSpamProbability, "50");
    run.set.filters[1]->criteria[kSpamAssassin] = Criterion{1, "1", 1, 1};
    EvaluateBayesian(kSpamProbability, &run.message, &run.set, &run.evaluations);
    EvaluateSpamAssassin(kSpamAssassin, &run.message, &run.set, &run.evaluations);
    EXPECT_EQ("QPFLTMBF" TEST_LIBRARY_SUFFIX "|QP_Execute|" + ScanCommand("Outgoing") + "\n" +
                  "QPFLTMSA" TEST_LIBRARY_SUFFIX "|QP_Execute|" + ScanCommand("Outgoing") + "\n",
              server.StubCalls());
}

// Only "<PASS>1</PASS>" passes: any other value is spam. A failed call passes whatever
// its text says (the real library's answers are seen in the daemon tests).
TEST_F(ScannerCriteriaTest, SpamAssassinAnswerOtherThanPassIsSpamAndAFailedCallPasses) {
    LoadSwitchedOn("QPFLTMSA" TEST_LIBRARY_SUFFIX, kPluginKey, "SpamAssassin Enabled");
    for (const auto& [result, returned, verdict] :
         {std::tuple{"<PASS>yes</PASS>", "1", 1}, std::tuple{"<PASS>0</PASS>", "0", 0}}) {
        ScopedEnvironment answer("STUB_PROVIDER_RESULT", result);
        ScopedEnvironment call("STUB_PROVIDER_RETURN", returned);
        HandBuiltRun run;
        Address(run);
        run.AddFilter(kSpamAssassin, "0");
        run.AddFilter(kSpamAssassin, "1");
        EvaluateSpamAssassin(kSpamAssassin, &run.message, &run.set, &run.evaluations);
        const std::string text = "<PASS>" + std::to_string(verdict) + "</PASS>";
        ExpectRecorded(run, verdict + 1, kSpamAssassin, {2, {std::to_string(verdict)}, text});
        ExpectRecorded(run, 2 - verdict, kSpamAssassin, {0, {""}, text});
    }
}

TEST_F(ScannerCriteriaTest, DkimVerifiesOnlyUnauthenticatedSmtpMailWithAFullSender) {
    struct Case {
        const char* name;
        int32_t authentication;
        const char* connector;
        const char* sender;
        const char* result;
        int wantVerdict;  // 0 FAIL, 1 PASS, 2 INDETERMINATE
        const char* wantCode;
        const char* wantCall;  // the DOMAIN and SENDER of the command; null: no call
    };
    const Case kCases[] = {
        {"pass", 0, "SMTP", "[SMTP:alice@example.net]", "<RESULT>1</RESULT>", 1, "1",
         "<DOMAIN>example.net</DOMAIN><SENDER>alice</SENDER>"},
        {"negative code fails", 0, "smtp", "[SMTP:alice@example.net]", "<RESULT>-3</RESULT>", 0,
         "-3", "<DOMAIN>example.net</DOMAIN><SENDER>alice</SENDER>"},
        {"high code", 0, "SMTP", "[SMTP:alice@example.net]", "<RESULT>7</RESULT>", 2, "7",
         "<DOMAIN>example.net</DOMAIN><SENDER>alice</SENDER>"},
        {"blanks skipped, open ends", 0, "SMTP", "[SMTP: \r\nbob@ mail.example",
         "<RESULT>1</RESULT>", 1, "1", "<DOMAIN>mail.example</DOMAIN><SENDER>bob</SENDER>"},
        {"authenticated sender", 1, "SMTP", "[SMTP:alice@example.net]", "<RESULT>1</RESULT>", 2,
         "100", nullptr},
        {"sender without at", 0, "SMTP", "[SMTP:postmaster]", "<RESULT>1</RESULT>", 2, "100",
         nullptr},
    };
    LoadSwitchedOn("QPDomainKeys" TEST_LIBRARY_SUFFIX, kSmtpKey, "Domain Keys Status");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        server.tree.WriteFile("stub-calls.txt", "");
        ScopedEnvironment answer("STUB_PROVIDER_RESULT", c.result);
        ScopedEnvironment preset("STUB_PROVIDER_LOG_PRESET", "1");
        HandBuiltRun run;
        Address(run);
        SafeCopy(run.message.connector, c.connector);
        SafeCopy(run.message.sender, c.sender);
        run.message.criteriaAuthenticationStatus = c.authentication;
        run.AddFilter(kDkim, "FAIL\tpass\tIndeterminate", 3);
        run.AddFilter(kDkim, "INDETERMINATE");
        EvaluateDkim(kDkim, &run.message, &run.set, &run.evaluations);

        std::vector<std::string> conditions(3);
        conditions[c.wantVerdict] = c.wantCode;
        ExpectRecorded(run, 1, kDkim, {1, conditions, ""});
        const bool indeterminate = c.wantVerdict == 2;
        ExpectRecorded(run, 2, kDkim,
                       {indeterminate ? 1 : 0, {indeterminate ? c.wantCode : ""}, ""});
        const std::string connectorDirectory = server.tree.Join("connectors") + "\\" + c.connector;
        const std::string wantCalls =
            c.wantCall == nullptr
                ? ""
                : "QPDomainKeys" TEST_LIBRARY_SUFFIX
                  "|QP_Execute|<COMMAND>VERIFY</COMMAND><FILENAME>" +
                      connectorDirectory + "\\Inbound\\Messages\\M1.MAI</FILENAME><CMDFILE>" +
                      connectorDirectory + "\\Inbound\\M1.MAI</CMDFILE>" + c.wantCall + "|1024\n";
        EXPECT_EQ(wantCalls, server.StubCalls());
    }
}

// A finding meets every HASVIRUS criterion whatever its value (the filter run pins that);
// a clean message meets none and gives each the value 0.
TEST_F(ScannerCriteriaTest, CleanMessageMeetsNoHasVirusCriterionAndGivesItZero) {
    LoadSwitchedOn("QPAVGEN" TEST_LIBRARY_SUFFIX, kPluginKey, "Antivirus Status");
    HandBuiltRun run;
    Address(run);
    run.AddFilter(kHasVirus, "0");
    EvaluateAntivirus(kHasVirus, &run.message, &run.set, &run.evaluations);
    ExpectRecorded(run, 1, kHasVirus, {0, {"0"}, ""});
}

// A provider that is not ready is never called, and its criterion stays unmet.
TEST_F(ScannerCriteriaTest, ProvidersThatAreNotReadyAreNeverCalled) {
    struct Case {
        const char* name;
        const char* file;     // the library installed
        const char* variant;  // null: none installed
        const char* key;
        const char* value;
        uint32_t setting;
    };
    const Case kCases[] = {
        {"Bayesian without Execute, load mode 0", "QPFLTMBF" TEST_LIBRARY_SUFFIX, "NoExecute",
         kPluginKey, "Bayesian Filtering Status", 1},
        {"antivirus library missing", "QPAVGEN" TEST_LIBRARY_SUFFIX, nullptr, kPluginKey,
         "Antivirus Status", 1},
        {"DKIM library missing", "QPDomainKeys" TEST_LIBRARY_SUFFIX, nullptr, kSmtpKey,
         "Domain Keys Status", 1},
        {"DKIM switched off", "QPDomainKeys" TEST_LIBRARY_SUFFIX, "Full", kSmtpKey,
         "Domain Keys Status", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PluginTree fresh;
        if (c.variant != nullptr) fresh.InstallProvider(c.variant, c.file);
        fresh.registry.SetDword(c.key, c.value, c.setting);
        ForgetFirstUseSettings();
        LoadPlugin();
        ScopedEnvironment answer("STUB_PROVIDER_RESULT", "<SP>99</SP><PASS>0</PASS>");
        ScopedEnvironment virus("STUB_VIRUS_FINDING", "found");
        HandBuiltRun run;
        Address(run);
        run.AddFilter(kSpamProbability, "0");
        run.set.filters[1]->criteria[kSpamAssassin] = Criterion{1, "1", 1, 1};
        run.set.filters[1]->criteria[kHasVirus] = Criterion{1, "1", 1, 1};
        run.set.filters[1]->criteria[kDkim] = Criterion{1, "INDETERMINATE", 1, 1};
        EvaluateBayesian(kSpamProbability, &run.message, &run.set, &run.evaluations);
        EvaluateSpamAssassin(kSpamAssassin, &run.message, &run.set, &run.evaluations);
        EvaluateAntivirus(kHasVirus, &run.message, &run.set, &run.evaluations);
        EvaluateDkim(kDkim, &run.message, &run.set, &run.evaluations);
        for (int type : {kSpamProbability, kSpamAssassin, kHasVirus, kDkim}) {
            EXPECT_EQ(0, run.Result(1).matchCount[type]) << kCriterionTypeNames[type];
            EXPECT_STREQ("", run.Result(1).resultText[type]) << kCriterionTypeNames[type];
        }
        EXPECT_STREQ("", run.Result(1).conditionValues[kDkim][0]);
        EXPECT_EQ(std::string::npos, fresh.StubCalls().find("Execute"));
        Unload();
    }
}

TEST(DkimVerdictCode, NamesAndNumbers) {
    EXPECT_EQ(1, DkimVerdictCode("pass"));
    EXPECT_EQ(2, DkimVerdictCode("Indeterminate"));
    EXPECT_EQ(-2, DkimVerdictCode(" -2"));
    EXPECT_EQ(0, DkimVerdictCode("PASSED"));
}

}  // namespace
